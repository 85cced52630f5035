#include "spectra/konnoohmachi.h"

#include <algorithm>
#include <cmath>

namespace corvath::spectra {

namespace {
// [sin(x)/x]^4 with its limit 1 at x = 0.
double sinc4(double x) {
  if (std::abs(x) < 1e-8) return 1.0;
  const double s = std::sin(x) / x;
  const double s2 = s * s;
  return s2 * s2;
}
}  // namespace

double KonnoOhmachiWeight(double frequencyHz, double centreHz, double bandwidth) {
  if (!(frequencyHz > 0.0) || !(centreHz > 0.0)) return 0.0;
  if (frequencyHz == centreHz) return 1.0;
  return sinc4(bandwidth * std::log10(frequencyHz / centreHz));
}

KonnoOhmachiTable BuildKonnoOhmachiTable(double binSpacingHz, std::size_t binCount,
                                         std::span<const double> centresHz, double bandwidth) {
  KonnoOhmachiTable table;
  table.binSpacingHz = binSpacingHz;
  table.binCount = binCount;
  table.first.assign(centresHz.size(), 0);
  table.offset.assign(centresHz.size() + 1, 0);
  if (!(binSpacingHz > 0.0) || !(bandwidth > 0.0) || binCount < 2) return table;
  // The support of centre fc: fc 10^(-S/b) <= f <= fc 10^(S/b).
  const double spread = std::pow(10.0, kKonnoOhmachiSupport / bandwidth);
  const double lastBin = static_cast<double>(binCount - 1);
  for (std::size_t g = 0; g < centresHz.size(); ++g) {
    table.offset[g] = table.weights.size();
    const double fc = centresHz[g];
    if (!(fc > 0.0)) continue;
    const double lo = std::max(1.0, std::ceil(fc / spread / binSpacingHz));
    const double hi = std::min(lastBin, std::floor(fc * spread / binSpacingHz));
    if (hi < lo) continue;
    const auto k0 = static_cast<std::size_t>(lo);
    const auto k1 = static_cast<std::size_t>(hi);
    table.first[g] = k0;
    double sum = 0.0;
    for (std::size_t k = k0; k <= k1; ++k) {
      const double w = KonnoOhmachiWeight(static_cast<double>(k) * binSpacingHz, fc, bandwidth);
      table.weights.push_back(w);
      sum += w;
    }
    if (sum > 0.0) {
      for (std::size_t j = table.offset[g]; j < table.weights.size(); ++j) table.weights[j] /= sum;
    } else {
      table.weights.resize(table.offset[g]);
    }
  }
  table.offset[centresHz.size()] = table.weights.size();
  return table;
}

void ApplyKonnoOhmachi(const KonnoOhmachiTable& table, std::span<const double> spectrum, std::vector<double>& out) {
  const std::size_t centres = table.first.size();
  out.assign(centres, 0.0);
  const double* w = table.weights.data();
  for (std::size_t g = 0; g < centres; ++g) {
    const std::size_t begin = table.offset[g];
    const std::size_t end = table.offset[g + 1];
    const double* s = spectrum.data() + table.first[g];
    double acc = 0.0;
    for (std::size_t j = begin; j < end; ++j) acc += w[j] * s[j - begin];
    out[g] = acc;
  }
}

std::vector<double> SmoothKonnoOhmachiDirect(std::span<const double> spectrum, double binSpacingHz,
                                             std::span<const double> centresHz, double bandwidth) {
  std::vector<double> out(centresHz.size(), 0.0);
  for (std::size_t g = 0; g < centresHz.size(); ++g) {
    double num = 0.0, den = 0.0;
    for (std::size_t k = 1; k < spectrum.size(); ++k) {
      const double w = KonnoOhmachiWeight(static_cast<double>(k) * binSpacingHz, centresHz[g], bandwidth);
      num += w * spectrum[k];
      den += w;
    }
    out[g] = den > 0.0 ? num / den : 0.0;
  }
  return out;
}

}  // namespace corvath::spectra
