// Loading hour-long records at 200 Hz (720,000 samples per component): three
// component files, a SAF file and a SEG-2 file, written once into a scratch folder.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include <unistd.h>

#include "import/readers.h"

namespace {

using namespace corvath::import;

constexpr int kSamples = 720000;  // one hour at 200 Hz
constexpr double kIntervalSeconds = 0.005;

class ScratchFiles {
public:
  ScratchFiles() : dir_(std::filesystem::temp_directory_path() / ("corvath_bench_" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(dir_);
    std::mt19937 random(1);
    std::uniform_int_distribution<int> counts(-30000, 30000);
    char line[128];
    std::string component[3], saf = "SESAME ASCII data format (saf) v. 1\nSAMP_FREQ = 200\nNDAT = 720000\n####--------\n";
    for (auto& c : component) c = "Time series\ntime, s\tamplitude\n----\n";
    for (int k = 0; k < kSamples; ++k) {
      const int v[3] = {counts(random), counts(random), counts(random)};
      for (int c = 0; c < 3; ++c) {
        // Times with three decimals, amplitudes in the exponent form of a results table.
        std::snprintf(line, sizeof line, "%.3f\t%.14E\n", k * kIntervalSeconds, v[c] * 1.2345e-4);
        component[c] += line;
      }
      std::snprintf(line, sizeof line, "%d %d %d\n", v[0], v[1], v[2]);
      saf += line;
    }
    for (int c = 0; c < 3; ++c) write(componentPath(c), component[c]);
    write(safPath(), saf);
    write(seg2Path(), seg2Bytes(random));
  }
  ~ScratchFiles() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string componentPath(int c) const { return (dir_ / ("xyz"[c] + std::string(".csv"))).string(); }
  std::string safPath() const { return (dir_ / "hour.saf").string(); }
  std::string seg2Path() const { return (dir_ / "hour.sg2").string(); }

private:
  static void write(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  static void put(std::string& b, std::size_t at, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<char>(v >> (8 * i) & 0xFF);
  }
  // Three int32 traces with a SAMPLE_INTERVAL string.
  static std::string seg2Bytes(std::mt19937& random) {
    const std::string keyword = "SAMPLE_INTERVAL 0.005";
    const std::size_t areaSize = 2 + keyword.size() + 1 + 2 + 2;  // length, text, 0, end, padding
    const std::size_t descriptorSize = 32 + areaSize;
    std::string b(32 + 12, '\0');
    put(b, 0, 0x3A55, 2);
    put(b, 4, 12, 2);
    put(b, 6, 3, 2);
    std::uniform_int_distribution<int> counts(-30000, 30000);
    for (int t = 0; t < 3; ++t) {
      const std::size_t at = b.size();
      put(b, 32 + 4 * t, static_cast<std::uint32_t>(at), 4);
      b.resize(at + descriptorSize + 4 * std::size_t{kSamples}, '\0');
      put(b, at, 0x4422, 2);
      put(b, at + 2, static_cast<std::uint32_t>(descriptorSize), 2);
      put(b, at + 8, kSamples, 4);
      b[at + 12] = 2;
      put(b, at + 32, static_cast<std::uint32_t>(keyword.size() + 3), 2);
      std::memcpy(&b[at + 34], keyword.data(), keyword.size());
      for (int j = 0; j < kSamples; ++j)
        put(b, at + descriptorSize + 4 * std::size_t(j), static_cast<std::uint32_t>(counts(random)), 4);
    }
    return b;
  }

  std::filesystem::path dir_;
};

const ScratchFiles& files() {
  static const ScratchFiles instance;
  return instance;
}

void BM_ThreeComponentFiles(benchmark::State& state) {
  const ScratchFiles& f = files();
  for (auto _ : state) {
    const ThreeComponentRecord r = ReadComponentFiles(f.componentPath(0), f.componentPath(1), f.componentPath(2));
    if (r.size(Component::Z) != kSamples) state.SkipWithError("wrong sample count");
    benchmark::DoNotOptimize(r);
  }
  state.counters["lines"] = 3.0 * kSamples;
}
BENCHMARK(BM_ThreeComponentFiles)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_SafHour200Hz(benchmark::State& state) {
  const ScratchFiles& f = files();
  for (auto _ : state) {
    const auto r = ReadSafFile(f.safPath());
    if (!r || r->size(Component::Z) != kSamples) state.SkipWithError("wrong sample count");
    benchmark::DoNotOptimize(r);
  }
  state.counters["lines"] = kSamples;
}
BENCHMARK(BM_SafHour200Hz)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_Seg2Hour200Hz(benchmark::State& state) {
  const ScratchFiles& f = files();
  for (auto _ : state) {
    const auto r = ReadSeg2File(f.seg2Path(), {});
    if (!r || r->size(Component::Z) != kSamples) state.SkipWithError("wrong sample count");
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_Seg2Hour200Hz)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
