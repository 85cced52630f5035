#include "surfacewaves/layeredmedium.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace corvath::surfacewaves {
namespace {

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

}  // namespace

void CheckMedium(const LayeredMedium& medium) {
  if (medium.empty()) throw SurfaceWaveError("The model has no layer");
  for (std::size_t i = 0; i < medium.size(); ++i) {
    const Layer& layer = medium[i];
    const bool halfSpace = i + 1 == medium.size();
    const std::string name = halfSpace ? "Layer " + std::to_string(i + 1) + " (the half-space)"
                                       : "Layer " + std::to_string(i + 1);
    if (!std::isfinite(layer.vpMPerS) || !std::isfinite(layer.vsMPerS) || !std::isfinite(layer.densityKgPerM3) ||
        (!halfSpace && !std::isfinite(layer.thicknessM)))
      throw SurfaceWaveError(name + ": a value is not a number");
    if (!halfSpace && !(layer.thicknessM > 0.0))
      throw SurfaceWaveError(name + ": thickness " + Number(layer.thicknessM) + " m is not positive");
    if (!(layer.vsMPerS > 0.0))
      throw SurfaceWaveError(name + ": Vs " + Number(layer.vsMPerS) + " m/s is not positive");
    if (!(layer.vsMPerS < layer.vpMPerS))
      throw SurfaceWaveError(name + ": Vs " + Number(layer.vsMPerS) + " m/s is not below Vp " +
                             Number(layer.vpMPerS) + " m/s");
    if (!(layer.densityKgPerM3 > 0.0))
      throw SurfaceWaveError(name + ": density " + Number(layer.densityKgPerM3) + " kg/m³ is not positive");
  }
}

}  // namespace corvath::surfacewaves
