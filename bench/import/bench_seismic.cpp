// Loading 30 minutes at 100 Hz of three channels (180,000 samples each): as one
// miniSEED file (Steim-2, 512-byte records), as three SAC files and, to compare, as
// three component text files; written once into a scratch folder.
#include <benchmark/benchmark.h>
#include <libmseed.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "import/readers.h"

namespace {

using namespace corvath::import;

constexpr int kSamples = 180000;  // 30 minutes at 100 Hz

void write(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

void packChannel(const char* code, std::vector<std::int32_t> values, std::string& out) {
  MSRecord* msr = msr_init(nullptr);
  std::strcpy(msr->network, "XX");
  std::strcpy(msr->station, "BENCH");
  std::strcpy(msr->channel, code);
  msr->dataquality = 'D';
  msr->starttime = 1'600'000'000'000'000;
  msr->samprate = 100.0;
  msr->reclen = 512;
  msr->encoding = DE_STEIM2;
  msr->byteorder = 1;
  msr->datasamples = values.data();
  msr->numsamples = static_cast<int64_t>(values.size());
  msr->sampletype = 'i';
  std::int64_t packed = 0;
  msr_pack(
      msr, [](char* record, int length, void* data) { static_cast<std::string*>(data)->append(record, length); },
      &out, &packed, 1, 0);
  msr->datasamples = nullptr;
  msr_free(&msr);
}

std::string sacBytes(const char* component, const std::vector<std::int32_t>& values) {
  std::string b(632 + 4 * values.size(), '\0');
  auto put = [&](std::size_t at, std::uint32_t v) { std::memcpy(&b[at], &v, 4); };  // little-endian host
  auto putFloat = [&](std::size_t word, float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, 4);
    put(4 * word, bits);
  };
  for (std::size_t w = 0; w < 70; ++w) putFloat(w, -12345.0f);
  for (std::size_t w = 70; w < 110; ++w) put(4 * w, static_cast<std::uint32_t>(-12345));
  putFloat(0, 0.01f);
  putFloat(5, 0.0f);
  const int nz[6] = {2020, 257, 12, 26, 40, 0};
  for (int i = 0; i < 6; ++i) put(4 * (70 + i), static_cast<std::uint32_t>(nz[i]));
  put(4 * 76, 6);
  put(4 * 79, static_cast<std::uint32_t>(values.size()));
  put(4 * 85, 1);
  put(4 * 105, 1);
  for (std::size_t at = 440; at < 632; at += 8) b.replace(at, 8, "-12345  ");
  b.replace(600, 8, (std::string(component) + "        ").substr(0, 8));
  for (std::size_t i = 0; i < values.size(); ++i) putFloat(158 + i, static_cast<float>(values[i]));
  return b;
}

class ScratchFiles {
public:
  ScratchFiles() : dir_(std::filesystem::temp_directory_path() / ("corvath_bench_seismic_" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(dir_);
    std::mt19937 random(1);
    std::uniform_int_distribution<int> step(-300, 300);
    const char* codes[3] = {"HHN", "HHE", "HHZ"};
    std::string mseed;
    char line[128];
    for (int c = 0; c < 3; ++c) {
      std::vector<std::int32_t> values(kSamples);
      std::int32_t v = 0;
      for (auto& x : values) x = v += step(random);  // a random walk, as counts of a sensor drift
      packChannel(codes[c], values, mseed);
      write(sacPath(c), sacBytes(codes[c], values));
      std::string text = "Time series\ntime, s\tamplitude\n----\n";
      for (int k = 0; k < kSamples; ++k) {
        std::snprintf(line, sizeof line, "%.2f\t%d\n", k * 0.01, values[k]);
        text += line;
      }
      write(componentPath(c), text);
    }
    write(mseedPath(), mseed);
  }
  ~ScratchFiles() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string componentPath(int c) const { return (dir_ / ("xyz"[c] + std::string(".csv"))).string(); }
  std::string sacPath(int c) const { return (dir_ / ("xyz"[c] + std::string(".sac"))).string(); }
  std::string mseedPath() const { return (dir_ / "half-hour.mseed").string(); }

private:
  std::filesystem::path dir_;
};

const ScratchFiles& files() {
  static const ScratchFiles f;
  return f;
}

void load(benchmark::State& state, RecordFormat format, std::vector<std::string> paths) {
  for (auto _ : state) {
    auto record = ReadRecord(format, paths, {});
    benchmark::DoNotOptimize(record);
  }
  state.counters["samples/s"] = benchmark::Counter(3.0 * kSamples, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_HalfHourMiniSeed(benchmark::State& state) { load(state, RecordFormat::MiniSeed, {files().mseedPath()}); }
void BM_HalfHourSac(benchmark::State& state) {
  load(state, RecordFormat::Sac, {files().sacPath(0), files().sacPath(1), files().sacPath(2)});
}
void BM_HalfHourComponentText(benchmark::State& state) {
  load(state, RecordFormat::Components, {files().componentPath(0), files().componentPath(1), files().componentPath(2)});
}

BENCHMARK(BM_HalfHourMiniSeed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HalfHourSac)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HalfHourComponentText)->Unit(benchmark::kMillisecond);

}  // namespace
