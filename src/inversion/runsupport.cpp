#include "inversion/runsupport.h"

#include <stdexcept>

#include "numerics/numbertext.h"

namespace corvath::inversion {

std::vector<std::string> UnphysicalLayers(const amodel& model) {
  auto of = [&](ModelParameter p, int layer) { return model.values[static_cast<int>(p)][static_cast<std::size_t>(layer)]; };
  auto text = [](double v) { return numerics::NumberToText(1, v); };
  std::vector<std::string> layers;
  for (int layer = 0; layer < model.layerCount(); ++layer) {
    const std::string name = "layer " + std::to_string(layer + 1) + ": ";
    if (!(of(ModelParameter::Vs, layer) < of(ModelParameter::Vp, layer)))
      layers.push_back(name + "Vs " + text(of(ModelParameter::Vs, layer)) + " >= Vp " + text(of(ModelParameter::Vp, layer)));
    else if (layer + 1 < model.layerCount() && !(of(ModelParameter::Qs, layer) <= of(ModelParameter::Qp, layer)))
      layers.push_back(name + "Qs " + text(of(ModelParameter::Qs, layer)) + " > Qp " + text(of(ModelParameter::Qp, layer)));
  }
  return layers;
}

}  // namespace corvath::inversion

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

std::string UnphysicalStartMessage(const amodel& model) {
  const std::vector<std::string> layers = UnphysicalLayers(model);
  if (layers.empty()) return {};
  return "the start model has no physical material in " + layers.front() +
         " (\"Vp/Vs Qp/Qs constraint\" is ticked): mend the model or untick the constraint";
}

}  // namespace corvath::inversion::detail
