#include "spectra/smoothing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

namespace corvath::spectra {
namespace {

constexpr int kSmoothingPasses = 6;

// The value transform T of a mean: ln v with logAveraging, v without. A value that
// cannot enter a logarithmic mean (0 or less) is reported as unusable.
bool transformValue(double value, bool logAveraging, double& transformed) {
  if (!logAveraging) {
    transformed = value;
    return std::isfinite(value);
  }
  if (!(value > 0.0) || !std::isfinite(value)) return false;
  transformed = std::log(value);
  return true;
}

double inverseTransform(double mean, bool logAveraging) { return logAveraging ? std::exp(mean) : mean; }

}  // namespace

double KernelHalfWidth(const AveragingKernel& kernel, double fminHz, double fmaxHz) {
  switch (kernel.kind) {
    case KernelKind::InverseSquare: return (fmaxHz - fminHz) / 30.0;
    case KernelKind::InverseDistance: return (fmaxHz - fminHz) / 20.0;
  }
  return 0.0;
}

double KernelWeight(const AveragingKernel& kernel, double deltaHz) {
  switch (kernel.kind) {
    case KernelKind::InverseSquare: return 1.0 / (deltaHz * deltaHz + 0.1);
    case KernelKind::InverseDistance: return kernel.spacingHz / (std::fabs(deltaHz) + 2.0 * kernel.spacingHz);
  }
  return 0.0;
}

double GridFrequency(double fminHz, double fmaxHz, int k) { return ((fmaxHz - fminHz) * k) / 100.0 + fminHz; }

std::vector<double> SmoothBins(const std::vector<double>& moduli, bool logAveraging) {
  const long n = static_cast<long>(moduli.size());
  if (n == 0) return {};
  // Transform every modulus once; unusable ones are left out of the sums.
  std::vector<double> transformed(moduli.size(), 0.0);
  std::vector<char> usable(moduli.size(), 0);
  for (long j = 0; j < n; ++j) usable[j] = transformValue(moduli[j], logAveraging, transformed[j]);

  const long bins = (n - 1) / 2 + 1;
  std::vector<double> smoothed(static_cast<std::size_t>(bins), 0.0);
  for (long i = 0; i < bins; ++i) {
    double s = 0.0;
    double w = 0.0;
    for (long p = 0; p < kSmoothingPasses; ++p) {
      const long first = std::max(i - p + 1, 1L);
      const long last = std::min(i + p + 1, n - 1);
      for (long j = first; j <= last; ++j) {
        if (!usable[j]) continue;
        const double d = static_cast<double>(i - j);
        const double weight = 1.0 / (d * d + 1.0);
        w += weight;
        s += weight * transformed[j];
      }
    }
    smoothed[i] = w > 0.0 ? inverseTransform(s / w, logAveraging) : 0.0;
  }
  return smoothed;
}

std::vector<SpectralPoint> GridAverage(const std::vector<SpectralPoint>& points, double fminHz, double fmaxHz,
                                       const AveragingKernel& kernel, bool logAveraging) {
  std::vector<SpectralPoint> grid;
  if (!(fmaxHz > fminHz) || !std::isfinite(fminHz) || !std::isfinite(fmaxHz)) return grid;
  const double h = KernelHalfWidth(kernel, fminHz, fmaxHz);

  // The usable points, transformed once and ordered by frequency (ties keep list
  // order) so that each grid frequency only visits its neighbourhood.
  struct Prepared {
    double frequencyHz;
    double transformed;
    double companion;
  };
  std::vector<Prepared> prepared;
  prepared.reserve(points.size());
  for (const SpectralPoint& p : points) {
    double t = 0.0;
    if (std::isfinite(p.frequencyHz) && std::isfinite(p.companion) && transformValue(p.value, logAveraging, t))
      prepared.push_back({p.frequencyHz, t, p.companion});
  }
  const auto byFrequency = [](const Prepared& a, const Prepared& b) { return a.frequencyHz < b.frequencyHz; };
  if (!std::is_sorted(prepared.begin(), prepared.end(), byFrequency))
    std::stable_sort(prepared.begin(), prepared.end(), byFrequency);

  grid.reserve(kGridPoints);
  for (int k = 0; k < kGridPoints; ++k) {
    const double f = GridFrequency(fminHz, fmaxHz, k);
    if (f > fmaxHz) continue;
    // Candidates from a slightly widened interval; the strict test decides.
    const double margin = 1e-9 * (std::fabs(f) + h);
    auto it = std::lower_bound(prepared.begin(), prepared.end(), f - h - margin,
                               [](const Prepared& p, double value) { return p.frequencyHz < value; });
    double s = 0.0;
    double w = 0.0;
    double e = 0.0;
    for (; it != prepared.end() && it->frequencyHz <= f + h + margin; ++it) {
      const double delta = f - it->frequencyHz;
      if (!(std::fabs(delta) < h)) continue;
      const double weight = KernelWeight(kernel, delta);
      w += weight;
      s += weight * it->transformed;
      e += weight * it->companion;
    }
    if (!(w > 0.0)) continue;
    const double value = inverseTransform(s / w, logAveraging);
    const double companion = e / w;
    if (!std::isfinite(value) || !std::isfinite(companion)) continue;
    grid.push_back({f, value, companion});
  }
  return grid;
}

}  // namespace corvath::spectra
