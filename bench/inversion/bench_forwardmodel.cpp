// Speed of the theoretical curve (two transfer functions and the repair) for the
// default ten-layer model on the 101-point grid, as the inversions call it:
//   Cold        every call a model differing in every layer (global search);
//   OneValue    one value changed per call (derivatives of the linearized inversion);
//   Fresh       without reusable working storage.
// Arguments: K degree x 100, Ref frq (Hz).
#include <benchmark/benchmark.h>

#include <vector>

#include "inversion/theoreticalcurve.h"

using namespace corvath::inversion;
using corvath::numerics::arofcomplexM;

namespace {

std::vector<double> Grid() {
  std::vector<double> f;
  for (int k = 0; k <= 100; ++k) f.push_back((19.0 * k) / 100 + 1.0);
  return f;
}

amodel DefaultModel() {
  amodel m;
  ResetModel(m, ModelTables{}, 10);
  return m;
}

// 64 models, each differing from the next in every value.
std::vector<amodel> ModelFamily() {
  std::vector<amodel> models;
  for (int k = 0; k < 64; ++k) {
    amodel m = DefaultModel();
    for (int p = 0; p < kParameterCount; ++p)
      for (std::size_t i = 0; i < m.values[p].size(); ++i)
        m.values[p][i] *= 1.0 + 0.003 * ((k * 7 + p * 3 + static_cast<int>(i)) % 17);
    models.push_back(m);
  }
  return models;
}

void SetRate(benchmark::State& state) {
  state.counters["curves/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_TheoreticalCurveCold(benchmark::State& state) {
  const double alpha = state.range(0) / 100.0;
  const double fref = static_cast<double>(state.range(1));
  const std::vector<amodel> models = ModelFamily();
  const std::vector<double> f = Grid();
  TheoreticalCurveScratch scratch;
  arofcomplexM curve;
  std::size_t k = 0;
  for (auto _ : state) {
    ComputeTheoreticalCurve(models[k++ % models.size()], fref, alpha, f, curve, scratch);
    benchmark::DoNotOptimize(curve.data());
  }
  SetRate(state);
}

void BM_TheoreticalCurveOneValue(benchmark::State& state) {
  const double alpha = state.range(0) / 100.0;
  const double fref = static_cast<double>(state.range(1));
  amodel model = DefaultModel();
  const std::vector<double> f = Grid();
  TheoreticalCurveScratch scratch;
  arofcomplexM curve;
  std::size_t k = 0;
  for (auto _ : state) {
    // Central differences: v * 1.05, v / 1.05, back, next value.
    const int p = static_cast<int>((k / 2) % 5) + ((k / 2) % 5 >= 3 ? 1 : 0);  // skip Rho
    const std::size_t i = (k / 10) % 9;
    const double saved = model.values[p][i];
    model.values[p][i] = k % 2 ? saved / 1.05 : saved * 1.05;
    ComputeTheoreticalCurve(model, fref, alpha, f, curve, scratch);
    benchmark::DoNotOptimize(curve.data());
    model.values[p][i] = saved;
    ++k;
  }
  SetRate(state);
}

void BM_TheoreticalCurveFresh(benchmark::State& state) {
  const double alpha = state.range(0) / 100.0;
  const double fref = static_cast<double>(state.range(1));
  const std::vector<amodel> models = ModelFamily();
  const std::vector<double> f = Grid();
  arofcomplexM curve;
  std::size_t k = 0;
  for (auto _ : state) {
    ComputeTheoreticalCurve(models[k++ % models.size()], fref, alpha, f, curve);
    benchmark::DoNotOptimize(curve.data());
  }
  SetRate(state);
}

}  // namespace

BENCHMARK(BM_TheoreticalCurveCold)->Args({0, 0})->Args({10, 0})->Args({10, 1});
BENCHMARK(BM_TheoreticalCurveOneValue)->Args({0, 0})->Args({10, 0})->Args({10, 1});
BENCHMARK(BM_TheoreticalCurveFresh)->Args({0, 0})->Args({10, 0});
