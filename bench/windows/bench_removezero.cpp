#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "import/record.h"
#include "windows/removezero.h"

namespace {

using corvath::import::Component;
using corvath::import::ThreeComponentRecord;

// One hour at 200 samples per second on three components, with an offset and drift.
ThreeComponentRecord LongRecord(std::size_t n) {
  ThreeComponentRecord record;
  std::mt19937_64 random(11);
  std::normal_distribution<double> noise(0.0, 50.0);
  for (Component c : corvath::import::kComponents) {
    std::vector<double> values(n);
    for (std::size_t i = 0; i < n; ++i) {
      const double t = 0.005 * static_cast<double>(i);
      values[i] = 1.2e4 + 300.0 * std::sin(0.01 * t) + noise(random);
    }
    record.assignEven(c, 0.0, 0.005, std::move(values));
  }
  return record;
}

void BM_RemoveZero(benchmark::State& state) {
  const ThreeComponentRecord original = LongRecord(static_cast<std::size_t>(state.range(0)));
  ThreeComponentRecord record = original;
  for (auto _ : state) {
    state.PauseTiming();
    record = original;
    state.ResumeTiming();
    benchmark::DoNotOptimize(corvath::windows::RemoveZero(record, 200.0));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 3 * state.range(0));
}
BENCHMARK(BM_RemoveZero)->Arg(720000)->Unit(benchmark::kMillisecond);

}  // namespace
