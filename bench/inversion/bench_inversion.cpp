// Cost of the two runs apart from the forward model: the curve is a cheap stand-in,
// so the figures show the Jacobian bookkeeping, the normal matrix and the solves
// (linearized) and the draws and misfits (global search) on the default ten layers.
#include <benchmark/benchmark.h>

#include <cmath>

#include "inversion/curveevaluator.h"
#include "inversion/globalsearch.h"
#include "inversion/linearizedinversion.h"
#include "inversion/randomgenerator.h"
#include "inversion/searchchains.h"

using namespace corvath::inversion;

namespace {

constexpr int kPoints = 101;

// A smooth curve that depends on every value of the model.
void StandIn(const amodel& m, double fr, double a, corvath::numerics::arofcomplexM& curve) {
  curve.resize(kPoints);
  double sum = 0.0;
  for (int p = 0; p < kParameterCount; ++p)
    for (std::size_t i = 0; i < m.values[p].size(); ++i) sum += std::log(m.values[p][i]) * (1.0 + 0.1 * i + p);
  for (int k = 0; k < kPoints; ++k) {
    const double f = 1.0 + 0.19 * k;
    curve[k] = {f, 1.0 + 0.5 * std::sin(0.01 * sum * f + 0.01 * fr) * std::exp(-a * 0.1 * f) + 0.6};
  }
}

struct Setup {
  InversionState state;
  corvath::spectra::RatioCurve observed;
  ModelTables tables;
  Setup() {
    ResetModel(state.model, tables, 10);
    InversionState truth = state;
    for (auto& v : truth.model.values[static_cast<int>(ModelParameter::Vs)]) v *= 1.2;
    corvath::numerics::arofcomplexM curve;
    StandIn(truth.model, 0.0, 0.2, curve);
    for (const auto& point : curve) observed.points.push_back({point.re, point.im, point.im, point.im});
  }
};

class Silent : public InversionProgress {
 public:
  void Report(int) override {}
  void ShowState(const InversionSnapshot&) override {}
};

void BM_LinearizedIteration(benchmark::State& bench) {
  const Setup setup;
  InversionSettings settings;
  settings.IterationCount = 1;
  for (auto _ : bench) {
    InversionState state = setup.state;
    Silent progress;
    RunLinearizedInversion(state, setup.observed, setup.tables, settings, StandIn, progress);
    benchmark::DoNotOptimize(state.model.values[0][0]);
  }
  bench.counters["free"] = 48;
}
BENCHMARK(BM_LinearizedIteration)->Unit(benchmark::kMillisecond);

void BM_GlobalSearchRun(benchmark::State& bench) {
  const Setup setup;
  InversionSettings settings;
  settings.GlobalSearch = true;
  SeedRandomGenerator(1);
  for (auto _ : bench) {
    InversionState state = setup.state;
    Silent progress;
    RunGlobalSearch(state, setup.observed, setup.tables, settings, StandIn, progress);
    benchmark::DoNotOptimize(state.model.values[0][0]);
  }
}
BENCHMARK(BM_GlobalSearchRun)->Unit(benchmark::kMillisecond);

// The same with the real theoretical curve on a 101-point grid from 1 to 20 Hz.
Setup ForwardSetup() {
  Setup setup;
  InversionState truth = setup.state;
  for (auto& v : truth.model.values[static_cast<int>(ModelParameter::Vs)]) v *= 1.2;
  setup.observed.points.clear();
  for (int k = 0; k <= 100; ++k) setup.observed.points.push_back({1.0 + 0.19 * k, 1.0, 1.0, 1.0});
  corvath::numerics::arofcomplexM curve;
  TheoreticalCurveEvaluator(setup.observed)(truth.model, 0.0, 0.1, curve);
  for (std::size_t k = 0; k < curve.size(); ++k) setup.observed.points[k].ratio = curve[k].im;
  return setup;
}

void BM_LinearizedIterationForward(benchmark::State& bench) {
  const Setup setup = ForwardSetup();
  InversionSettings settings;
  settings.IterationCount = 1;
  const CurveEvaluator evaluate = TheoreticalCurveEvaluator(setup.observed);
  for (auto _ : bench) {
    InversionState state = setup.state;
    Silent progress;
    RunLinearizedInversion(state, setup.observed, setup.tables, settings, evaluate, progress);
    benchmark::DoNotOptimize(state.model.values[0][0]);
  }
  bench.counters["curves"] = 2 * 47 + 2 + 6;
}
BENCHMARK(BM_LinearizedIterationForward)->Unit(benchmark::kMillisecond);

void BM_GlobalSearchRunForward(benchmark::State& bench) {
  const Setup setup = ForwardSetup();
  InversionSettings settings;
  settings.GlobalSearch = true;
  const CurveEvaluator evaluate = TheoreticalCurveEvaluator(setup.observed);
  SeedRandomGenerator(1);
  for (auto _ : bench) {
    InversionState state = setup.state;
    Silent progress;
    RunGlobalSearch(state, setup.observed, setup.tables, settings, evaluate, progress);
    benchmark::DoNotOptimize(state.model.values[0][0]);
  }
  bench.counters["curves"] = 4202;
}
BENCHMARK(BM_GlobalSearchRunForward)->Unit(benchmark::kMillisecond);

// N chains of the global search with the forward model on the cores (wall time), the
// ensemble recorded as the command records it. Argument: the chain count.
void BM_GlobalSearchChains(benchmark::State& bench) {
  const Setup setup = ForwardSetup();
  InversionSettings settings;
  settings.GlobalSearch = true;
  const auto observed = setup.observed;
  const CurveEvaluatorFactory factory = [&observed] { return TheoreticalCurveEvaluator(observed); };
  const int chains = static_cast<int>(bench.range(0));
  for (auto _ : bench) {
    Silent progress;
    const ChainsOutcome outcome =
        RunGlobalSearchChains(setup.state, setup.observed, setup.tables, settings, factory, {chains, 1, 0, true}, progress);
    benchmark::DoNotOptimize(outcome.bestChain);
  }
  bench.counters["chains"] = chains;
}
BENCHMARK(BM_GlobalSearchChains)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
