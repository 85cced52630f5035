// Speed of "Calculate spectra" on a one-hour 200 Hz record, both paths, and of the
// transforms alone at the same sizes and counts (their share of each path).
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "import/record.h"
#include "spectra/automaticspectra.h"
#include "spectra/calculatespectra.h"
#include "spectra/fft.h"
#include "spectra/windowspectra.h"

using namespace corvath;

namespace {

constexpr std::size_t kSamples = 720000;  // one hour at 200 Hz
constexpr double kDt = 0.005;

const import::ThreeComponentRecord& HourRecord() {
  static const import::ThreeComponentRecord record = [] {
    import::ThreeComponentRecord r;
    r.reserve(kSamples);
    unsigned long long state = 42;
    auto noise = [&] {
      state = state * 6364136223846793005ULL + 1442695040888963407ULL;
      return (state >> 11) * (1.0 / 9007199254740992.0) - 0.5;
    };
    for (std::size_t i = 0; i < kSamples; ++i) {
      const double t = i * kDt;
      r.append(import::Component::X, t, noise() + 0.2 * std::sin(2 * M_PI * 2.5 * t));
      r.append(import::Component::Y, t, noise() + 0.2 * std::cos(2 * M_PI * 2.5 * t));
      r.append(import::Component::Z, t, noise());
    }
    return r;
  }();
  return record;
}

std::vector<spectra::WindowInterval> ThirtyWindows() {
  std::vector<spectra::WindowInterval> windows;
  for (int k = 0; k < 30; ++k) windows.push_back({k * 120.0, k * 120.0 + 60.0});
  return windows;
}

// Argument: the number of threads (1: one core; 0: as many as help, at most 2).
void BM_AutomaticPath(benchmark::State& state) {
  const auto& record = HourRecord();
  for (auto _ : state) {
    auto outcome = spectra::CalculateSpectra(record, {}, true, 1.0, 20.0, nullptr, state.range(0));
    if (!outcome.value) state.SkipWithError(outcome.message().c_str());
    benchmark::DoNotOptimize(outcome);
  }
}
BENCHMARK(BM_AutomaticPath)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AutomaticTransformsOnly(benchmark::State& state) {
  const auto& record = HourRecord();
  const auto plan = *spectra::PlanSegmentation(record.size(import::Component::X), kDt);
  std::vector<double> values(plan.length), moduli;
  for (auto _ : state) {
    for (std::size_t s = 0; s < plan.count; ++s)
      for (import::Component c : import::kComponents) {
        const auto& samples = record.samples(c);
        for (std::size_t i = 0; i < plan.length; ++i) values[i] = samples.value(s * plan.step + i);
        spectra::TransformModuli(values, moduli);
        benchmark::DoNotOptimize(moduli.data());
      }
  }
  state.counters["transforms"] = 3.0 * plan.count;
  state.counters["length"] = plan.length;
}
BENCHMARK(BM_AutomaticTransformsOnly)->Unit(benchmark::kMillisecond);

void BM_WindowedPath(benchmark::State& state) {
  const auto& record = HourRecord();
  const auto windows = ThirtyWindows();
  for (auto _ : state) {
    auto outcome = spectra::CalculateSpectra(record, windows, true, 1.0, 20.0, nullptr, state.range(0));
    if (!outcome.value) state.SkipWithError(outcome.message().c_str());
    benchmark::DoNotOptimize(outcome);
  }
}
BENCHMARK(BM_WindowedPath)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WindowedTransformsOnly(benchmark::State& state) {
  const auto& record = HourRecord();
  const auto windows = ThirtyWindows();
  std::vector<double> values, moduli;
  std::size_t length = 0;
  for (auto _ : state) {
    for (import::Component c : import::kComponents)
      for (const auto& w : windows) {
        const auto [first, last] = spectra::WindowSampleRange(record, kSamples, w);
        const auto& samples = record.samples(c);
        values.resize(last - first);
        for (std::size_t i = first; i < last; ++i) values[i - first] = samples.value(i);
        spectra::TransformModuli(values, moduli);
        length = values.size();
        benchmark::DoNotOptimize(moduli.data());
      }
  }
  state.counters["transforms"] = 3.0 * windows.size();
  state.counters["length"] = length;
}
BENCHMARK(BM_WindowedTransformsOnly)->Unit(benchmark::kMillisecond);

}  // namespace
