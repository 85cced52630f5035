// Speed of the window audit: the STA/LTA ratio over records of one to 24 hours at
// 200 Hz (linear in the samples), the windows' STA/LTA ranges on a day, and the
// azimuthal H/V at 12 azimuths on 30 minutes at 100 Hz (the length of a typical
// station) on the machine's cores.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "import/record.h"
#include "spectra/fieldstandard.h"
#include "spectra/stalta.h"

using namespace corvath;

namespace {

std::vector<double> Noise(std::size_t n) {
  std::vector<double> values(n);
  unsigned long long state = 42;
  for (double& v : values) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    v = (state >> 11) * (1.0 / 9007199254740992.0) - 0.5;
  }
  return values;
}

void BM_StaLtaRatio(benchmark::State& state) {
  const auto hours = static_cast<std::size_t>(state.range(0));
  const std::vector<double> values = Noise(hours * 720000);
  for (auto _ : state) {
    auto ratio = spectra::StaLtaRatio({values.data(), 1, values.size()}, 200, 6000);
    benchmark::DoNotOptimize(ratio.data());
  }
  state.SetComplexityN(static_cast<benchmark::IterationCount>(values.size()));
  state.counters["samples/s"] = benchmark::Counter(static_cast<double>(values.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_StaLtaRatio)->Arg(1)->Arg(6)->Arg(24)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

void BM_StaLtaRangesOfADay(benchmark::State& state) {
  const std::vector<double> values = Noise(24 * 720000);
  std::vector<spectra::SampleSpan> windows;
  for (std::size_t first = 0; first + 12000 <= values.size(); first += 12000) windows.push_back({first, 12000});
  for (auto _ : state) {
    std::vector<spectra::StaLtaRange> ranges(windows.size(), spectra::StaLtaRangeStart());
    spectra::FoldStaLtaRanges({values.data(), 1, values.size()}, 200, 6000, windows, ranges);
    benchmark::DoNotOptimize(ranges.data());
  }
}
BENCHMARK(BM_StaLtaRangesOfADay)->Unit(benchmark::kMillisecond);

const import::ThreeComponentRecord& HalfHourRecord() {
  static const import::ThreeComponentRecord record = [] {
    import::ThreeComponentRecord r;
    const std::size_t n = 180000;  // 30 minutes at 100 Hz
    r.reserve(n);
    const std::vector<double> noise = Noise(3 * n);
    for (std::size_t i = 0; i < n; ++i) {
      const double t = i * 0.01;
      r.append(import::Component::X, t, noise[3 * i] + 0.2 * std::sin(2 * M_PI * 0.7 * t));
      r.append(import::Component::Y, t, noise[3 * i + 1] + 0.1 * std::cos(2 * M_PI * 0.9 * t));
      r.append(import::Component::Z, t, noise[3 * i + 2]);
    }
    return r;
  }();
  return record;
}

void BM_AzimuthalHalfHour(benchmark::State& state) {
  const auto& record = HalfHourRecord();
  for (auto _ : state) {
    auto hv = spectra::CalculateAzimuthalHv(record, {}, spectra::FieldStandardSettings{}, 15.0);
    if (!hv.done()) state.SkipWithError(hv.outcome.message.c_str());
    benchmark::DoNotOptimize(hv);
  }
}
BENCHMARK(BM_AzimuthalHalfHour)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
