#include "inversion/surfacewavemodel.h"

#include "inversion/forwardmodel.h"

namespace corvath::inversion {

surfacewaves::LayeredMedium MediumOfModel(const amodel& model) {
  auto value = [&](ModelParameter p, int layer) {
    return model.values[static_cast<int>(p)][static_cast<std::size_t>(layer)];
  };
  const int n = model.layerCount();
  surfacewaves::LayeredMedium medium(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    surfacewaves::Layer& layer = medium[static_cast<std::size_t>(i)];
    layer.thicknessM = i + 1 < n ? value(ModelParameter::H, i) : 0.0;
    layer.vpMPerS = value(ModelParameter::Vp, i) * kMetresPerKilometre;
    layer.vsMPerS = value(ModelParameter::Vs, i) * kMetresPerKilometre;
    layer.densityKgPerM3 = value(ModelParameter::Rho, i) * kKilogramsPerCubicMetrePerGramPerCubicCentimetre;
  }
  return medium;
}

}  // namespace corvath::inversion
