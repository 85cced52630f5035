// A survey of real 30-minute 100 Hz miniSEED stations (the STN11 and STN12 records in
// turn): stations per second with one and two stations at a time, and the peak
// resident memory after each (the process's peak so far: a survey of 20 stations
// should stay near a survey of one, as each station holds only its own record).
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/survey.h"

using namespace corvath;
namespace fs = std::filesystem;

namespace {

const std::string kData = CORVATH_SHARED_DATA;

double PeakResidentMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;  // kilobytes on Linux
}

// stations rows over the two real records.
fs::path WriteManifest(const fs::path& folder, int stations) {
  fs::create_directories(folder);
  const fs::path path = folder / "manifest.csv";
  std::ofstream out(path);
  out << "station,files,longitude,latitude\n";
  for (int s = 0; s < stations; ++s)
    out << "S" << s << ',' << kData << "/mseed/UT.STN1" << (1 + s % 2) << ".A2_C50.miniseed," << -111.85 + 0.001 * s
        << ',' << 40.76 + 0.0005 * s << '\n';
  return path;
}

void BM_Survey(benchmark::State& state) {
  const int stations = static_cast<int>(state.range(0));
  const fs::path folder = fs::temp_directory_path() / ("corvath_bench_survey_" + std::to_string(::getpid()));
  const auto manifest = app::ReadSurveyManifest(WriteManifest(folder, stations).string());
  if (!manifest.done()) return state.SkipWithError(manifest.message().c_str());
  app::SurveyOptions options;
  options.jobs = static_cast<std::size_t>(state.range(1));
  for (auto _ : state) {
    const auto totals = app::RunSurvey(*manifest, {}, (folder / "out").string(), options);
    if (!totals.done() || totals->failed) state.SkipWithError("the survey failed");
  }
  state.counters["stations_per_s"] =
      benchmark::Counter(static_cast<double>(stations), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["peak_rss_MB"] = PeakResidentMegabytes();
  fs::remove_all(folder);
}
// Run in this order: the peak after one station first, then after twenty.
BENCHMARK(BM_Survey)
    ->ArgNames({"stations", "jobs"})
    ->Args({1, 1})
    ->Args({20, 1})
    ->Args({20, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

}  // namespace
