// Speed of the surface-wave engine: the diffuse-field H/V of 100 log-spaced
// frequencies from 0.2 to 20 Hz with 20 Rayleigh and 20 Love modes, on one core
// (CPU time; the machine may be loaded):
//   SurfaceWaves   the modes alone, for the three-layer model;
//   BodyWaves      with the body-wave integrals (adaptive, to 1e-3 of the converged value);
//   SearchFamily   surface waves, a model differing in every value at each call, as a
//                  global search calls it (curves/s per core);
//   TwoCores       one curve's frequencies on both cores (wall time).
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "surfacewaves/diffusefield.h"

using namespace corvath::surfacewaves;

namespace {

std::vector<double> Grid() {
  std::vector<double> f;
  for (int i = 0; i < 100; ++i) f.push_back(0.2 * std::pow(100.0, i / 99.0));
  return f;
}

LayeredMedium ThreeLayers() {
  return {{8.0, 500.0, 200.0, 1800.0}, {25.0, 1100.0, 450.0, 1950.0}, {0.0, 2600.0, 1200.0, 2300.0}};
}

void Run(benchmark::State& state, bool bodyWaves, std::size_t workers) {
  const std::vector<double> grid = Grid();
  const LayeredMedium medium = ThreeLayers();
  DiffuseFieldSettings settings;
  settings.bodyWaves = bodyWaves;
  settings.workers = workers;
  for (auto _ : state) benchmark::DoNotOptimize(DiffuseFieldRatio(medium, grid, settings));
  state.counters["curves/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_SurfaceWaves(benchmark::State& state) { Run(state, false, 1); }
void BM_TwoCores(benchmark::State& state) { Run(state, false, 2); }
void BM_BodyWaves(benchmark::State& state) { Run(state, true, 1); }

void BM_SearchFamily(benchmark::State& state) {
  const std::vector<double> grid = Grid();
  std::vector<LayeredMedium> family;
  for (int k = 0; k < 64; ++k) {
    LayeredMedium medium = ThreeLayers();
    for (std::size_t i = 0; i < medium.size(); ++i) {
      const double factor = 1.0 + 0.01 * ((k * 7 + static_cast<int>(i) * 3) % 17);
      medium[i].thicknessM *= factor;
      medium[i].vsMPerS *= factor;
      medium[i].vpMPerS *= 1.0 + 0.01 * ((k * 5 + static_cast<int>(i)) % 13);
    }
    family.push_back(medium);
  }
  DiffuseFieldSettings settings;
  settings.bodyWaves = false;
  std::size_t next = 0;
  for (auto _ : state) benchmark::DoNotOptimize(DiffuseFieldRatio(family[next++ % family.size()], grid, settings));
  state.counters["curves/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_SurfaceWaves)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchFamily)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BodyWaves)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TwoCores)->Unit(benchmark::kMillisecond)->UseRealTime();
