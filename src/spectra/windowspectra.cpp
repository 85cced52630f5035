#include "spectra/windowspectra.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "spectra/fft.h"
#include "spectra/smoothing.h"

namespace corvath::spectra {

namespace {
std::size_t commonSampleCount(const import::ThreeComponentRecord& record) {
  return std::min({record.size(import::Component::X), record.size(import::Component::Y),
                   record.size(import::Component::Z)});
}
}  // namespace

std::pair<std::size_t, std::size_t> WindowSampleRange(const import::ThreeComponentRecord& record,
                                                      std::size_t sampleCount, const WindowInterval& window) {
  const auto& x = record.samples(import::Component::X);
  const auto begin = x.begin();
  const auto end = x.begin() + static_cast<std::ptrdiff_t>(std::min(sampleCount, x.size()));
  // X times ascend, so the samples of a window are one contiguous run.
  const auto first = std::lower_bound(begin, end, window.startSeconds,
                                      [](const import::Sample& s, double t) { return s.time < t; });
  const auto last = std::upper_bound(first, end, window.endSeconds,
                                     [](double t, const import::Sample& s) { return t < s.time; });
  return {static_cast<std::size_t>(first - begin), static_cast<std::size_t>(last - begin)};
}

ComponentSpectra ComputeWindowSpectra(const import::ThreeComponentRecord& record, import::Component c,
                                      const std::vector<WindowInterval>& windows, bool logAveraging,
                                      double minFrqHz, double maxFrqHz) {
  ComponentSpectra result;
  const std::string name = ComponentName(c);
  result.averaged.title = name;
  result.averaged.component = c;
  if (windows.empty()) {
    result.failure = "no analysis window";
    return result;
  }
  const double dt = record.samplingInterval(c);
  if (record.size(c) < 2) {
    result.failure = name + " has fewer than two samples";
    return result;
  }
  if (!(dt > 0.0) || !std::isfinite(1.0 / dt)) {
    result.failure = name + " has a sampling interval of 0";
    return result;
  }

  const std::size_t sampleCount = commonSampleCount(record);
  const auto& samples = record.samples(c);
  double fmin = 1e30;
  double fmax = -1e30;
  std::vector<SpectralPoint> points;
  std::vector<double> values;
  std::vector<double> moduli;
  for (std::size_t k = 0; k < windows.size(); ++k) {
    const auto [first, last] = WindowSampleRange(record, sampleCount, windows[k]);
    const std::size_t n = last > first ? last - first : 0;
    if (n < kMinimumWindowSamples) continue;
    values.resize(n);
    for (std::size_t i = 0; i < n; ++i) values[i] = samples[first + i].value;
    TransformModuli(values, moduli);
    const std::vector<double> smoothed = SmoothBins(moduli, logAveraging);

    WindowSpectrum window;
    window.windowPosition = k;
    window.curve.title = name + "_wnd" + std::to_string(k + 1);
    window.curve.component = c;
    const std::size_t lastBin = (n - 1) / 2;
    window.curve.points.reserve(lastBin);
    for (std::size_t i = 1; i <= lastBin; ++i) {
      const double f = static_cast<double>(i) / (static_cast<double>(n) * dt);
      if (!std::isfinite(smoothed[i])) continue;  // overflowing samples give no point
      window.curve.points.push_back({f, smoothed[i]});
      points.push_back({f, smoothed[i], 0.0});
      fmin = std::min(fmin, f);
      fmax = std::max(fmax, f);
    }
    result.windows.push_back(std::move(window));
  }
  if (result.windows.empty()) {
    result.failure = "no analysis window holds at least 31 samples of " + name;
    return result;
  }

  fmin = std::max(minFrqHz, fmin);
  fmax = std::min(maxFrqHz, fmax);
  fmax = std::min(100.0, fmax);
  if (!(fmin < fmax)) {
    result.failure = "the frequency range of " + name + " is empty (Min frq lies above every frequency or above Max frq)";
    return result;
  }
  for (const SpectralPoint& p : GridAverage(points, fmin, fmax, InverseSquareKernel(), logAveraging))
    result.averaged.points.push_back({p.frequencyHz, p.value});
  if (result.averaged.points.empty()) result.failure = "no spectral point of " + name + " lies near the frequency grid";
  return result;
}

}  // namespace corvath::spectra
