// Speed of the field-standard H/V on a one-hour 200 Hz record with 60 s windows,
// and of its Konno-Ohmachi smoothing alone (table build and application) against
// the direct evaluation over every bin.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "import/record.h"
#include "spectra/fieldstandard.h"
#include "spectra/konnoohmachi.h"

using namespace corvath;

namespace {

constexpr std::size_t kSamples = 720000;  // one hour at 200 Hz
constexpr double kDt = 0.005;
constexpr std::size_t kWindowSamples = 12000;  // 60 s
constexpr std::size_t kBins = kWindowSamples / 2 + 1;

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

std::vector<double> Spectrum() {
  std::vector<double> s(kBins);
  for (std::size_t k = 0; k < kBins; ++k) s[k] = 1.0 + 0.5 * std::sin(0.01 * k);
  return s;
}

void BM_FieldStandardHour(benchmark::State& state) {
  const auto& record = HourRecord();
  for (auto _ : state) {
    auto outcome = spectra::CalculateFieldStandard(record, {}, spectra::FieldStandardSettings{});
    if (!outcome.value) state.SkipWithError(outcome.message().c_str());
    benchmark::DoNotOptimize(outcome);
  }
}
BENCHMARK(BM_FieldStandardHour)->Unit(benchmark::kMillisecond);

void BM_KonnoOhmachiTableBuild(benchmark::State& state) {
  const auto grid = spectra::LogFrequencyGrid(0.2, 20, 256);
  for (auto _ : state) {
    auto table = spectra::BuildKonnoOhmachiTable(1.0 / 60.0, kBins, grid, 40);
    state.counters["weights"] = static_cast<double>(table.weights.size());
    benchmark::DoNotOptimize(table);
  }
}
BENCHMARK(BM_KonnoOhmachiTableBuild)->Unit(benchmark::kMillisecond);

void BM_KonnoOhmachiApply(benchmark::State& state) {
  const auto grid = spectra::LogFrequencyGrid(0.2, 20, 256);
  const auto table = spectra::BuildKonnoOhmachiTable(1.0 / 60.0, kBins, grid, 40);
  const auto spectrum = Spectrum();
  std::vector<double> out;
  for (auto _ : state) {
    spectra::ApplyKonnoOhmachi(table, spectrum, out);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_KonnoOhmachiApply)->Unit(benchmark::kMicrosecond);

void BM_KonnoOhmachiDirect(benchmark::State& state) {
  const auto grid = spectra::LogFrequencyGrid(0.2, 20, 256);
  const auto spectrum = Spectrum();
  for (auto _ : state) {
    auto out = spectra::SmoothKonnoOhmachiDirect(spectrum, 1.0 / 60.0, grid, 40);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_KonnoOhmachiDirect)->Unit(benchmark::kMillisecond);

}  // namespace
