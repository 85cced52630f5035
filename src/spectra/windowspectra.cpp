#include "spectra/windowspectra.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "numerics/parallel.h"
#include "spectra/fft.h"
#include "spectra/smoothing.h"

namespace corvath::spectra {

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

namespace {

// The windows are transformed side by side only while their arrays stay small: a
// whole-record window of a day-long record runs alone, so that two of them do not
// double the memory the computation needs.
constexpr std::size_t kLargestParallelWindow = std::size_t{1} << 22;

// One component's windowed spectra, in two steps: check(), then, once every window's
// smoothed bins are known, assemble().
struct ComponentWork {
  import::Component component = import::Component::X;
  ComponentSpectra result;
  std::string failure;  // why there is no averaged spectrum; empty while there is one
  double dt = 0.0;
  std::vector<std::pair<std::size_t, std::size_t>> ranges;  // per window: first sample, count
  std::vector<std::vector<double>> smoothed;                 // per window; empty when skipped

  bool check(const import::ThreeComponentRecord& record, const std::vector<WindowInterval>& windows) {
    const std::string name = ComponentName(component);
    result.averaged.title = name;
    result.averaged.component = component;
    if (windows.empty()) {
      failure = "no analysis window";
      return false;
    }
    dt = record.samplingInterval(component);
    if (record.size(component) < 2) {
      failure = name + " has fewer than two samples";
      return false;
    }
    if (!(dt > 0.0) || !std::isfinite(1.0 / dt)) {
      failure = name + " has a sampling interval of 0";
      return false;
    }
    const std::size_t sampleCount = import::CommonSampleCount(record);
    ranges.resize(windows.size());
    smoothed.resize(windows.size());
    for (std::size_t k = 0; k < windows.size(); ++k) {
      const auto [first, last] = WindowSampleRange(record, sampleCount, windows[k]);
      ranges[k] = {first, last > first ? last - first : 0};
    }
    return true;
  }

  void transform(const import::ThreeComponentRecord& record, std::size_t k, bool logAveraging) {
    const auto [first, n] = ranges[k];
    const auto& samples = record.samples(component);
    thread_local std::vector<double> values;
    thread_local std::vector<double> moduli;
    values.resize(n);
    for (std::size_t i = 0; i < n; ++i) values[i] = samples.value(first + i);
    TransformModuli(values, moduli);
    smoothed[k] = SmoothBins(moduli, logAveraging);
    if (n > kLargestParallelWindow / 4) {  // not kept for the thread's next window
      std::vector<double>().swap(values);
      std::vector<double>().swap(moduli);
    }
  }

  void assemble(bool logAveraging, double minFrqHz, double maxFrqHz) {
    const std::string name = ComponentName(component);
    double fmin = 1e30;
    double fmax = -1e30;
    std::size_t pointCount = 0;
    for (std::size_t k = 0; k < smoothed.size(); ++k)
      if (!smoothed[k].empty()) pointCount += (ranges[k].second - 1) / 2;
    std::vector<SpectralPoint> points;
    points.reserve(pointCount);
    for (std::size_t k = 0; k < smoothed.size(); ++k) {
      const std::size_t n = ranges[k].second;
      if (n < kMinimumWindowSamples) continue;
      const std::vector<double> bins = std::move(smoothed[k]);
      WindowSpectrum window;
      window.windowPosition = k;
      window.curve.title = name + "_wnd" + std::to_string(k + 1);
      window.curve.component = component;
      const std::size_t lastBin = (n - 1) / 2;
      window.curve.points.reserve(lastBin);
      for (std::size_t i = 1; i <= lastBin; ++i) {
        const double f = static_cast<double>(i) / (static_cast<double>(n) * dt);
        if (!std::isfinite(bins[i])) continue;  // overflowing samples give no point
        window.curve.points.push_back({f, bins[i]});
        points.push_back({f, bins[i], 0.0});
        fmin = std::min(fmin, f);
        fmax = std::max(fmax, f);
      }
      result.windows.push_back(std::move(window));
    }
    smoothed.clear();
    if (result.windows.empty()) {
      failure = "no analysis window holds at least 31 samples of " + name;
      return;
    }

    fmin = std::max(minFrqHz, fmin);
    fmax = std::min(maxFrqHz, fmax);
    fmax = std::min(100.0, fmax);
    if (!(fmin < fmax)) {
      failure = "the frequency range of " + name + " is empty (Min frq lies above every frequency or above Max frq)";
      return;
    }
    for (const SpectralPoint& p : GridAverage(points, fmin, fmax, InverseSquareKernel(), logAveraging))
      result.averaged.points.push_back({p.frequencyHz, p.value});
    if (result.averaged.points.empty())
      failure = "no spectral point of " + name + " lies near the frequency grid";
  }
};

}  // namespace

std::vector<numerics::Result<ComponentSpectra>> ComputeWindowSpectra(
    const import::ThreeComponentRecord& record, const std::vector<import::Component>& components,
    const std::vector<WindowInterval>& windows, bool logAveraging, double minFrqHz, double maxFrqHz,
    numerics::Progress* progress, std::size_t workerLimit) {
  std::vector<ComponentWork> work(components.size());
  // Every (component, window) transform of the components that can be computed.
  std::vector<std::pair<std::size_t, std::size_t>> tasks;
  double totalSamples = 0.0;
  std::size_t largest = 0;
  for (std::size_t c = 0; c < components.size(); ++c) {
    work[c].component = components[c];
    if (!work[c].check(record, windows)) continue;
    for (std::size_t k = 0; k < windows.size(); ++k) {
      const std::size_t n = work[c].ranges[k].second;
      if (n < kMinimumWindowSamples) continue;
      tasks.push_back({c, k});
      totalSamples += static_cast<double>(n);
      largest = std::max(largest, n);
    }
  }
  if (progress) progress->setTotal(totalSamples);
  const std::size_t workers = largest > kLargestParallelWindow ? 1 : numerics::WorkerCount(workerLimit);
  numerics::ParallelFor(tasks.size(), workers, [&](std::size_t t) {
    const auto [c, k] = tasks[t];
    work[c].transform(record, k, logAveraging);
    numerics::Advance(progress, static_cast<double>(work[c].ranges[k].second));
  });
  // Each component's average depends only on its own windows, taken in list order.
  numerics::ParallelFor(components.size(), workers, [&](std::size_t c) {
    if (work[c].failure.empty()) work[c].assemble(logAveraging, minFrqHz, maxFrqHz);
  });
  std::vector<numerics::Result<ComponentSpectra>> results;
  results.reserve(work.size());
  for (ComponentWork& w : work) {
    if (w.failure.empty())
      results.emplace_back(std::move(w.result));
    else
      results.emplace_back(numerics::Outcome::Failed(std::move(w.failure)));
  }
  return results;
}

numerics::Result<ComponentSpectra> ComputeWindowSpectra(const import::ThreeComponentRecord& record,
                                                        import::Component c,
                                                        const std::vector<WindowInterval>& windows,
                                                        bool logAveraging, double minFrqHz, double maxFrqHz) {
  const std::vector<import::Component> one{c};
  return std::move(ComputeWindowSpectra(record, one, windows, logAveraging, minFrqHz, maxFrqHz).front());
}

}  // namespace corvath::spectra
