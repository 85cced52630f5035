#include "inversion/forwardmodelchoice.h"

#include "inversion/curveevaluator.h"
#include "inversion/surfacewavemodel.h"
#include "inversion/theoreticalcurve.h"

namespace corvath::inversion {

const char* ForwardModelName(ForwardModelKind kind) {
  return kind == ForwardModelKind::DiffuseField ? "diffuse-field" : "transfer-function";
}

CurveEvaluator CurveEvaluatorFor(const ForwardModelChoice& choice, const spectra::RatioCurve& observed,
                                 std::size_t workers) {
  if (choice.kind == ForwardModelKind::TransferFunction) return TheoreticalCurveEvaluator(observed);
  surfacewaves::DiffuseFieldSettings settings = choice.diffuseField;
  settings.workers = workers;
  return [frequencies = RatioFrequencies(observed), settings](const amodel& model, double, double,
                                                              numerics::arofcomplexM& curve) {
    const auto points = surfacewaves::DiffuseFieldRatio(MediumOfModel(model), frequencies, settings);
    numerics::arofcomplexM computed(points.size());
    for (std::size_t k = 0; k < points.size(); ++k) computed[k] = {points[k].frequencyHz, points[k].hv};
    curve.swap(computed);
  };
}

}  // namespace corvath::inversion
