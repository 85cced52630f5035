// Every reader's times and values, pinned to the bit: each source's record is
// folded into one fingerprint per component (the bit patterns of its times and of
// its values, in order) and compared with the fingerprint the readers gave when the
// way a record is held last changed. Real records come from the shared data folder
// (skipped when it is absent); the generated ones cover what the real ones lack:
// rates whose interval is no exact binary fraction, decimal commas, exponents,
// CR LF line ends, skipped lines and uneven times.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "import/fixtures.h"
#include "import/readers.h"
#include "import/seismicfixtures.h"

namespace corvath::import {
namespace {

using testing::ScratchDir;

std::uint64_t Fold(std::uint64_t hash, double v) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  for (int b = 0; b < 8; ++b) hash = (hash ^ ((bits >> (8 * b)) & 0xff)) * 0x100000001b3ull;
  return hash;
}

struct Fingerprint {
  std::size_t size = 0;
  std::uint64_t times = 0, values = 0;
  bool operator==(const Fingerprint&) const = default;
};

Fingerprint Print(const ThreeComponentRecord& r, Component c) {
  Fingerprint f{r.size(c), 0xcbf29ce484222325ull, 0xcbf29ce484222325ull};
  for (std::size_t i = 0; i < r.size(c); ++i) {
    f.times = Fold(f.times, r.sample(c, i).time);
    f.values = Fold(f.values, r.sample(c, i).value);
  }
  return f;
}

std::string Show(const Fingerprint& f) {
  char text[96];
  std::snprintf(text, sizeof text, "{%zu, 0x%016" PRIx64 "ull, 0x%016" PRIx64 "ull}", f.size, f.times, f.values);
  return text;
}

struct Source {
  const char* name;
  std::function<std::optional<ThreeComponentRecord>()> read;  // nullopt: the source is absent here
  std::array<Fingerprint, 3> expected;                       // X, Y, Z
  bool even = true;                                          // times held as start and interval
};

void CheckSources(const std::vector<Source>& sources) {
  for (const Source& source : sources) {
    const std::optional<ThreeComponentRecord> record = source.read();
    if (!record) {
      std::printf("[  SKIPPED ] %s: not available here\n", source.name);
      continue;
    }
    for (Component c : kComponents) {
      // Evenly spaced sources hold no time per sample.
      EXPECT_EQ(record->samples(c).evenlySpaced(), source.even) << source.name;
      const Fingerprint got = Print(*record, c);
      EXPECT_EQ(got, source.expected[static_cast<int>(c)])
          << source.name << ", component " << "XYZ"[static_cast<int>(c)] << ": " << Show(got);
    }
  }
}

std::string SharedFile(const std::string& relative) { return std::string(CORVATH_SHARED_DATA) + "/" + relative; }
bool Present(const std::string& path) { return std::filesystem::exists(path); }

// A SAF text of `lines` data lines at `rate` Hz whose values take every written form.
std::string GeneratedSaf(const char* rate, int lines, bool crlf) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> counts(-30000, 30000);
  const char* end = crlf ? "\r\n" : "\n";
  std::string text = std::string("SESAME ASCII data format (saf) v. 1") + end + "SAMP_FREQ = " + rate + end +
                     "NDAT = " + std::to_string(lines) + end + "####--------" + end;
  char line[160];
  for (int k = 0; k < lines; ++k) {
    const int a = counts(random), b = counts(random), c = counts(random);
    switch (k % 7) {
      case 0: std::snprintf(line, sizeof line, "%d %d %d", a, b, c); break;
      case 1: std::snprintf(line, sizeof line, "%.6f\t%.3e  %+.2f", a * 1e-3, b * 1.7e-9, c / 7.0); break;
      case 2: std::snprintf(line, sizeof line, "  %d,%03d -%d,5 %dE-2", a / 1000, std::abs(b % 1000), std::abs(c), a); break;
      case 3: std::snprintf(line, sizeof line, "%.17g %.17g %.17g junk", a / 3.0, b / 11.0, c * 1e-40); break;
      case 4: std::snprintf(line, sizeof line, "%d %d", a, b); break;  // too few values: skipped
      case 5: std::snprintf(line, sizeof line, "%d x %d ,5 %d .", a, b, c); break;
      default: std::snprintf(line, sizeof line, "%.20fe0 %d.e+1 -.%d", a * 1e-5, b, std::abs(c)); break;
    }
    text += line;
    text += end;
  }
  return text;
}

// Delta text: times from the file, decimal commas among them, gains per channel.
std::string GeneratedDelta(int lines) {
  const std::string gain = "\xF3\xF1\xE8\xEB\xE5\xED\xE8\xE5";
  std::string text = gain + " 2\n" + gain + " 0,5\n" + gain + " 3\n\xCE\xF2\xF1\xF7\xE5\xF2\xFB\n";
  char line[160];
  for (int k = 0; k < lines; ++k) {
    std::snprintf(line, sizeof line, "a b c d %.3f %d %d,%d %d\n", k * 0.004, k % 97 - 40, k % 13, k % 10, -k);
    if (k % 5 == 0) std::replace(line, line + std::strlen(line), '.', ',');
    text += line;
  }
  return text;
}

// Component text of one component: evenly written times, or times with jitter.
std::string GeneratedComponent(int lines, bool even, int seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> jitter(-1e-4, 1e-4);
  std::string text = "Time series\ntime, s\tamplitude\n----\n";
  char line[128];
  for (int k = 0; k < lines; ++k) {
    const double t = k * 0.005 + (even ? 0.0 : jitter(random));
    std::snprintf(line, sizeof line, "%.6f\t%.14E\n", t, std::sin(k * 0.01 * seed) * 1.2345e-4);
    text += line;
  }
  return text;
}

TEST(ReaderBits, RealRecordsKeepTheirTimesAndValues) {
  CheckSources({
      {"SAF, 50 Hz, 45000 lines",
       [] {
         const std::string p = SharedFile("saf/mt_20211122_133110.saf");
         return Present(p) ? ReadSafFile(p) : std::nullopt;
       },
       {{{45000, 0x10a156f7bf29b957ull, 0xd887560adc2ee70aull},
        {45000, 0x10a156f7bf29b957ull, 0x45482980c7e4a78cull},
        {45000, 0x10a156f7bf29b957ull, 0xd2d97e9bd663f066ull}}}},
      {"SEG-2, int32, 3 traces",
       [] {
         const std::string p = SharedFile("seg2/20130107_103041000.CET.3c.cont.0.seg2");
         return Present(p) ? ReadSeg2File(p, {}) : std::nullopt;
       },
       {{{2000, 0xace3baed779eb3c7ull, 0x73fda7d1e70ad09eull},
        {2000, 0xace3baed779eb3c7ull, 0xa46a8d3815898b7eull},
        {2000, 0xace3baed779eb3c7ull, 0xb8024ae3e3f3125full}}}},
      {"SEG-2, float32, traces 24, 1, 12 of a shot gather",
       [] {
         const std::string p = SharedFile("seg2/wghs_6.sg2");
         return Present(p) ? ReadSeg2File(p, [](const TraceList&) { return ChannelChoice{24, 1, 12}; })
                           : std::nullopt;
       },
       {{{1500, 0x2dc1995d9f47c4f2ull, 0xed47eb5d100b30e1ull},
        {1500, 0x2dc1995d9f47c4f2ull, 0x87b850be0b1d8311ull},
        {1500, 0x2dc1995d9f47c4f2ull, 0xf5fac8c67fe503d0ull}}}},
      {"miniSEED, Steim-1, 100 Hz",
       [] {
         const std::string p = SharedFile("mseed/UT.STN11.A2_C50.miniseed");
         return Present(p) ? ReadMiniSeedFiles({p}, {}) : std::nullopt;
       },
       {{{180001, 0x87737add19c49bb8ull, 0xfec678cf6cf3bd51ull},
        {180001, 0x87737add19c49bb8ull, 0xeb08a6229fe1e5b1ull},
        {180001, 0x87737add19c49bb8ull, 0xee403c7cd11d4d6full}}}},
      {"SAC, three files",
       []() -> std::optional<ThreeComponentRecord> {
         const std::vector<std::string> paths{SharedFile("sac/ut.stn11.a2_c50_e.sac"),
                                              SharedFile("sac/ut.stn11.a2_c50_n.sac"),
                                              SharedFile("sac/ut.stn11.a2_c50_z.sac")};
         for (const auto& p : paths)
           if (!Present(p)) return std::nullopt;
         return ReadSacFiles(paths, {});
       },
       {{{180001, 0x87737add19c49bb8ull, 0xfec678cf6cf3bd51ull},
        {180001, 0x87737add19c49bb8ull, 0xeb08a6229fe1e5b1ull},
        {180001, 0x87737add19c49bb8ull, 0xee403c7cd11d4d6full}}}},
  });
}

TEST(ReaderBits, GeneratedRecordsKeepTheirTimesAndValues) {
  const ScratchDir dir;
  CheckSources({
      {"SAF at 200 Hz (interval no binary fraction), every number form",
       [&] { return ReadSafFile(dir.write("a.saf", GeneratedSaf("200", 30000, false))); }, {{{25714, 0x534f0a34e09e8c2cull, 0xc0f1ef673adf71d6ull},
        {25714, 0x534f0a34e09e8c2cull, 0x7f68ccb3dd40486eull},
        {25714, 0x534f0a34e09e8c2cull, 0xf2937f22d40d646dull}}}},
      {"SAF at 3 Hz with CR LF line ends",
       [&] { return ReadSafFile(dir.write("b.saf", GeneratedSaf("3", 5000, true))); }, {{{4286, 0xb82a880dbfffacd3ull, 0x1626d552fad1ef61ull},
        {4286, 0xb82a880dbfffacd3ull, 0xce6d8008fa8d026full},
        {4286, 0xb82a880dbfffacd3ull, 0x4a6bbb2d324867f1ull}}}},
      {"SAF at 128 Hz from memory", [] { return ReadSafText(GeneratedSaf("128", 5000, false), "c.saf"); }, {{{4286, 0xa83abb1ea6f0127bull, 0x1626d552fad1ef61ull},
        {4286, 0xa83abb1ea6f0127bull, 0xce6d8008fa8d026full},
        {4286, 0xa83abb1ea6f0127bull, 0x4a6bbb2d324867f1ull}}}},
      {"SAF without a rate (1000 Hz)",
       [] {
         std::string text = GeneratedSaf("x", 3000, false);
         return ReadSafText(text, "d.saf");
       },
       {{{2572, 0x66e26ce43aa4ab47ull, 0xffd5d3d2fa771df7ull},
        {2572, 0x66e26ce43aa4ab47ull, 0xbdfd2af1b563d1ffull},
        {2572, 0x66e26ce43aa4ab47ull, 0xe3c4f21f0acc0359ull}}}},
      {"Delta, times and commas from the file",
       [&] { return ReadDeltaFile(dir.write("e.dat", GeneratedDelta(20000)), {}); }, {{{20000, 0x2ccd27f93a3c2c67ull, 0xce12adb49c220c90ull},
        {20000, 0x2ccd27f93a3c2c67ull, 0x2a69f62858528ec5ull},
        {20000, 0x2ccd27f93a3c2c67ull, 0x5f49b1a4fe359cfeull}}}},
      {"component files, evenly written times",
       [&] {
         return std::optional(ReadComponentFiles(dir.write("x.txt", GeneratedComponent(20000, true, 1)),
                                                 dir.write("y.txt", GeneratedComponent(20000, true, 2)),
                                                 dir.write("z.txt", GeneratedComponent(19990, true, 3))));
       },
       {{{20000, 0x9ed432b30fc09674ull, 0x0540ea36e9047962ull},
        {20000, 0x9ed432b30fc09674ull, 0xc14f4024ff47a38eull},
        {19990, 0xcef5ce76995dcedcull, 0x9d954ee3ba8cc3deull}}}},
      {"component files, uneven times (some out of order)",
       [] {
         return std::optional(ReadComponentTexts(GeneratedComponent(5000, false, 4), GeneratedComponent(5000, false, 5),
                                                 GeneratedComponent(5000, false, 6)));
       },
       {{{5000, 0x3ff052462a3b1f5eull, 0x3de0e6dfcab53dd0ull},
        {5000, 0x367e7e0c90c85fa3ull, 0xee22c19315c17b9cull},
        {5000, 0xb7e89820c5ea8679ull, 0xf975418c29d73f54ull}}}, false},
      {"SEG-2 at 0.004 s, float32",
       [&] {
         std::vector<testing::Seg2TraceFixture> traces;
         for (int t = 0; t < 3; ++t) {
           std::vector<float> v(7000);
           for (int i = 0; i < 7000; ++i) v[i] = static_cast<float>(std::cos(i * 0.003 * (t + 1)) * 1e3);
           traces.push_back(testing::FloatTrace(v, {"SAMPLE_INTERVAL 0.004"}));
         }
         return ReadSeg2File(dir.write("f.sg2", testing::BuildSeg2(traces).bytes), {});
       },
       {{{7000, 0x9304e1df92546d64ull, 0xed3dd543f0fe8545ull},
        {7000, 0x9304e1df92546d64ull, 0x3d15ec28f62de48aull},
        {7000, 0x9304e1df92546d64ull, 0xcb459cc353e6ccf7ull}}}},
      {"miniSEED at 200 Hz, three channels",
       [&] {
         std::string bytes;
         const char* names[] = {"HHE", "HHN", "HHZ"};
         for (int c = 0; c < 3; ++c) {
           testing::MiniSeedChannel channel;
           channel.channel = names[c];
           channel.rateHz = 200.0;
           channel.values = testing::Ramp(9000, 100 * c);
           testing::PackMiniSeed(channel, bytes);
         }
         return ReadMiniSeedFiles({dir.write("g.mseed", bytes)}, {});
       },
       {{{9000, 0xa8862e308f08fe74ull, 0xd0f26d9602df32c9ull},
        {9000, 0xa8862e308f08fe74ull, 0xc26a6fcf44168470ull},
        {9000, 0xa8862e308f08fe74ull, 0x217e99c066c854e5ull}}}},
  });
}

}  // namespace
}  // namespace corvath::import
