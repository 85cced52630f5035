#include "inversion/runsupport.h"

#include <stdexcept>

#include "numerics/numbertext.h"

namespace corvath::inversion::detail {

void EvaluateCurve(const CurveEvaluator& evaluate, const InversionState& state, std::size_t points,
                   numerics::arofcomplexM& curve) {
  evaluate(state.model, state.referenceFrequency, state.dispersionExponent, curve);
  if (curve.size() != points)
    throw std::runtime_error("The theoretical curve has " + std::to_string(curve.size()) +
                             " points, the observed curve " + std::to_string(points));
}

int ProgressPercent(long long done, long long total) {
  if (total <= 0) return 100;
  return static_cast<int>(numerics::RoundHalfEven(100.0 * static_cast<double>(done) / static_cast<double>(total)));
}

std::string FaultMessage(const char* what) {
  const std::string text = what ? what : "";
  return text.empty() ? std::string("Invalid floating point operation") : text;
}

}  // namespace corvath::inversion::detail
