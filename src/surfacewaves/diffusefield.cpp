#include "surfacewaves/diffusefield.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "numerics/parallel.h"
#include "surfacewaves/bodywaves.h"
#include "surfacewaves/modes.h"

namespace corvath::surfacewaves {

std::vector<DiffuseFieldPoint> DiffuseFieldRatio(const LayeredMedium& medium, std::span<const double> frequenciesHz,
                                                 const DiffuseFieldSettings& settings) {
  const auto modes =
      FindModes(medium, frequenciesHz, {settings.rayleighModes, settings.loveModes, settings.workers});
  std::vector<DiffuseFieldPoint> points(modes.size());
  for (std::size_t i = 0; i < modes.size(); ++i) {
    DiffuseFieldPoint& point = points[i];
    point.frequencyHz = modes[i].frequencyHz;
    for (const Mode& mode : modes[i].rayleigh) {
      point.imG11 += mode.imG11;
      point.imG33 += mode.imG33;
    }
    for (const Mode& mode : modes[i].love) point.imG11 += mode.imG11;
  }
  if (settings.bodyWaves) {
    if (!(settings.damping > 0.0 && settings.damping < 1.0))
      throw SurfaceWaveError("The damping of the complex frequency must lie between 0 and 1");
    numerics::ParallelFor(points.size(), settings.workers, [&](std::size_t i) {
      const BodyWaveTerms body = BodyWaveTermsAt(medium, points[i].frequencyHz, settings.damping);
      points[i].imG11 += body.imG11;
      points[i].imG33 += body.imG33;
    });
  }
  for (DiffuseFieldPoint& point : points) {
    if (!(point.imG33 > 0.0)) {
      char text[96];
      std::snprintf(text, sizeof text, "At %.6g Hz the vertical Green's function has no imaginary part", point.frequencyHz);
      throw SurfaceWaveError(text);
    }
    point.hv = std::sqrt(2.0 * point.imG11 / point.imG33);
  }
  return points;
}

}  // namespace corvath::surfacewaves
