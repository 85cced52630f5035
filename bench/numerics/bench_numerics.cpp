// Speed of the numerical kernel: the SVD solve of the linearized inversion and
// the reading of large two-column record files.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "numerics/numbertext.h"
#include "numerics/svd.h"
#include "numerics/textfile.h"

using namespace corvath::numerics;
namespace fs = std::filesystem;

namespace {

// A 720,000-line file "time amplitude" as written by recorders, created once
// in a temporary folder and removed at exit.
class TwoColumnFile {
public:
  static const TwoColumnFile& instance() {
    static const TwoColumnFile file;
    return file;
  }
  const std::string& path() const { return path_; }
  std::size_t bytes() const { return bytes_; }

  ~TwoColumnFile() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

private:
  TwoColumnFile() {
    std::random_device rd;
    dir_ = fs::temp_directory_path() / ("corvath_bench_" + std::to_string(rd()));
    fs::create_directories(dir_);
    path_ = (dir_ / "record.txt").string();
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> amplitude(-5000.0, 5000.0);
    std::string text;
    text.reserve(720000 * 22);
    char line[64];
    for (int i = 0; i < 720000; ++i) {
      const int n = std::snprintf(line, sizeof line, "%.6f %.4f\r\n", (i + 1) * 0.005, amplitude(rng));
      text.append(line, static_cast<std::size_t>(n));
    }
    std::ofstream(path_, std::ios::binary) << text;
    bytes_ = text.size();
  }

  fs::path dir_;
  std::string path_;
  std::size_t bytes_ = 0;
};

ararofdoubleM RandomSystem(std::size_t n, std::mt19937_64& rng) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  ararofdoubleM a(n, arofdoubleM(n));
  for (auto& row : a)
    for (double& x : row) x = u(rng);
  return a;
}

}  // namespace

static void BM_SvdSolve(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  std::mt19937_64 rng(3);
  const ararofdoubleM a = RandomSystem(n, rng);
  const arofdoubleM b(n, 1.0);
  for (auto _ : state) benchmark::DoNotOptimize(SvdSolve(a, b, 1e-7));
}
BENCHMARK(BM_SvdSolve)->Arg(10)->Arg(48)->Arg(59)->Unit(benchmark::kMicrosecond);

// Reading and splitting every line, as the component-file reader does.
static void BM_ReadTwoColumnFile(benchmark::State& state) {
  const TwoColumnFile& file = TwoColumnFile::instance();
  arofdoubleM fields;
  for (auto _ : state) {
    TextLineReader reader(file.path());
    std::string_view line;
    std::size_t samples = 0;
    while (reader.next(line)) {
      SplitNumbersInto(line, fields);
      if (fields.size() == 2) ++samples;
    }
    if (samples != 720000) state.SkipWithError("wrong number of samples");
    benchmark::DoNotOptimize(samples);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.bytes()));
}
BENCHMARK(BM_ReadTwoColumnFile)->Unit(benchmark::kMillisecond);

// The line reader alone.
static void BM_ReadLinesOnly(benchmark::State& state) {
  const TwoColumnFile& file = TwoColumnFile::instance();
  for (auto _ : state) {
    TextLineReader reader(file.path());
    std::string_view line;
    std::size_t count = 0;
    while (reader.next(line)) count += line.size();
    benchmark::DoNotOptimize(count);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.bytes()));
}
BENCHMARK(BM_ReadLinesOnly)->Unit(benchmark::kMillisecond);

// The field splitter alone, on one typical line.
static void BM_SplitNumbersInto(benchmark::State& state) {
  const std::string line = "0.005000 -1234.5678";
  arofdoubleM fields;
  for (auto _ : state) {
    SplitNumbersInto(line, fields);
    benchmark::DoNotOptimize(fields.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * (line.size() + 2)));
}
BENCHMARK(BM_SplitNumbersInto);
