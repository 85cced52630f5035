#include "inversion/curveevaluator.h"

#include <memory>
#include <utility>

#include "inversion/theoreticalcurve.h"

namespace corvath::inversion {

CurveEvaluator TheoreticalCurveEvaluator(const spectra::RatioCurve& observed) {
  auto scratch = std::make_shared<TheoreticalCurveScratch>();
  return [frequencies = RatioFrequencies(observed), scratch](const amodel& model, double referenceFrequency,
                                                             double dispersionExponent,
                                                             numerics::arofcomplexM& curve) {
    ComputeTheoreticalCurve(model, referenceFrequency, dispersionExponent, frequencies, curve, *scratch);
  };
}

}  // namespace corvath::inversion
