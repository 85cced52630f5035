#include "inversion/jointmisfit.h"

#include <cmath>

namespace corvath::inversion {

double DispersionMisfit(const DispersionCurve& observed, const std::vector<std::optional<double>>& computed) {
  const std::size_t n = observed.points.size();
  if (n == 0) return 0.0;
  double sum = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const DispersionPoint& point = observed.points[i];
    const std::optional<double> c = i < computed.size() ? computed[i] : std::nullopt;
    double r = kMissingModeResidual;
    if (c && *c > 0.0 && std::isfinite(*c)) r = (point.phaseMS - *c) / point.sigmaMS;
    sum += r * r;
  }
  return std::sqrt(sum / static_cast<double>(n));
}

double BalancedDispersionWeight(std::size_t hvPoints, std::size_t dispersionPoints) {
  if (dispersionPoints == 0) return 0.0;
  return static_cast<double>(hvPoints) / static_cast<double>(hvPoints + dispersionPoints);
}

JointMisfit CombineMisfits(double hv, double dispersion, double weight) {
  return {hv, dispersion, (1.0 - weight) * hv + weight * dispersion};
}

}  // namespace corvath::inversion
