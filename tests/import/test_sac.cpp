#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "fixtures.h"
#include "import/readers.h"
#include "import/sac.h"
#include "seismicfixtures.h"

using namespace corvath::import;
using corvath::testing::BuildSac;
using corvath::testing::SacFixture;
using corvath::testing::ScratchDir;

namespace {

std::vector<float> Ramp(int n, float offset) {
  std::vector<float> v(n);
  for (int i = 0; i < n; ++i) v[i] = offset + i;
  return v;
}

SacFixture ComponentFixture(const std::string& component, float offset, int n = 200) {
  SacFixture s;
  s.kcmpnm = component;
  s.values = Ramp(n, offset);
  return s;
}

struct ThreeFiles {
  ScratchDir dir;
  std::vector<std::string> paths;
  ThreeFiles(const SacFixture& a, const SacFixture& b, const SacFixture& c) {
    paths = {dir.write("a.sac", BuildSac(a)), dir.write("b.sac", BuildSac(b)), dir.write("c.sac", BuildSac(c))};
  }
};

}  // namespace

TEST(Sac, BothByteOrdersReadTheSameChannel) {
  SacFixture fixture = ComponentFixture("HHZ", 0.5f, 7);
  fixture.values[3] = -1.25e-3f;
  fixture.b = 1.5f;
  const ChannelTrace little = ParseSac(BuildSac(fixture), "l.sac");
  fixture.bigEndian = true;
  const ChannelTrace big = ParseSac(BuildSac(fixture), "b.sac");
  for (const ChannelTrace* t : {&little, &big}) {
    EXPECT_EQ(t->samplingRateHz, 100.0);  // delta 0.01 as stored in a float
    EXPECT_EQ(t->role, Component::Z);
    ASSERT_EQ(t->segments.size(), 1u);
    EXPECT_EQ(t->segments[0].values, std::vector<double>(fixture.values.begin(), fixture.values.end()));
    // 2020, day 257, 12:26:40.000 plus b = 1.5 s
    EXPECT_EQ(t->segments[0].startMicroseconds, 1'600'000'000'000'000 + 1'500'000);
  }
  EXPECT_EQ(little.name, "l.sac (HHZ)");
  EXPECT_EQ(big.station, little.station);
}

TEST(Sac, ComponentsComeFromTheNamesOrTheOrientationOrElseTheOrderGiven) {
  // Given as Z, E, N by name.
  ThreeFiles named(ComponentFixture("BHZ", 3000), ComponentFixture("BHE", 2000), ComponentFixture("BHN", 1000));
  auto record = ReadSacFiles(named.paths, {});
  ASSERT_TRUE(record);
  EXPECT_EQ(record->sample(Component::X, 0).value, 1000);
  EXPECT_EQ(record->sample(Component::Y, 0).value, 2000);
  EXPECT_EQ(record->sample(Component::Z, 0).value, 3000);

  // No names: vertical (cmpinc 0), east (cmpaz 90), north (cmpaz 0).
  SacFixture up = ComponentFixture("-12345", 3000), east = ComponentFixture("-12345", 2000), north = ComponentFixture("-12345", 1000);
  up.cmpinc = 0;
  east.cmpinc = north.cmpinc = 90;
  east.cmpaz = 90;
  north.cmpaz = 0;
  ThreeFiles oriented(up, east, north);
  record = ReadSacFiles(oriented.paths, {});
  ASSERT_TRUE(record);
  EXPECT_EQ(record->sample(Component::X, 0).value, 1000);
  EXPECT_EQ(record->sample(Component::Z, 0).value, 3000);

  // Names that say nothing (or twice the same): the order given.
  ThreeFiles unnamed(ComponentFixture("A", 7), ComponentFixture("B", 8), ComponentFixture("Z", 9));
  record = ReadSacFiles(unnamed.paths, {});
  ASSERT_TRUE(record);
  EXPECT_EQ(record->sample(Component::X, 0).value, 7);
  EXPECT_EQ(record->sample(Component::Y, 0).value, 8);
  EXPECT_EQ(record->sample(Component::Z, 0).value, 9);
}

TEST(Sac, StartTimesAreAlignedAndDifferentRatesRefused) {
  // Y begins 0.5 s later by b, Z one second later by its reference time.
  SacFixture x = ComponentFixture("N", 1000), y = ComponentFixture("E", 2000), z = ComponentFixture("Z", 3000);
  y.b = 0.5f;
  z.nz[4] = 41;
  ThreeFiles shifted(x, y, z);
  std::string notice;
  const auto record = ReadSacFiles(shifted.paths, {}, &notice);
  ASSERT_TRUE(record);
  ASSERT_EQ(record->size(Component::X), 100u);
  EXPECT_EQ(record->sample(Component::X, 0).value, 1100);
  EXPECT_EQ(record->sample(Component::Y, 0).value, 2050);
  EXPECT_EQ(record->sample(Component::Z, 0).value, 3000);
  EXPECT_DOUBLE_EQ(record->sample(Component::Z, 99).time, 0.99);
  EXPECT_NE(notice.find("Loaded 0.99 s from 1 s (times from the earliest sample, 2020-09-13 12:26:40.000000 UTC)"),
            std::string::npos)
      << notice;

  // Without a reference time in one file, b alone lines the files up.
  z.nz[0] = -12345;
  ThreeFiles byB(x, y, z);
  ASSERT_EQ(ReadSacFiles(byB.paths, {}, &notice)->sample(Component::X, 0).value, 1050);
  EXPECT_EQ(notice.find("UTC"), std::string::npos) << notice;  // b alone says no date

  // Files that share no time at all.
  z.nz[0] = 2020;
  z.nz[3] = 30;
  ThreeFiles apart(x, y, z);
  EXPECT_THROW(ReadSacFiles(apart.paths, {}), FormatError);

  SacFixture slow = ComponentFixture("E", 2000);
  slow.delta = 0.02f;
  ThreeFiles rates(ComponentFixture("N", 1000), slow, ComponentFixture("Z", 3000));
  try {
    ReadSacFiles(rates.paths, {});
    FAIL() << "different rates were accepted";
  } catch (const FormatError& error) {
    const std::string message = error.what();
    EXPECT_NE(message.find("different sampling rates"), std::string::npos) << message;
    EXPECT_NE(message.find("Y (b.sac (E)) 50 Hz"), std::string::npos) << message;
  }
}

TEST(Sac, MalformedFilesNameTheOffset) {
  struct Case {
    const char* name;
    std::string bytes;
    const char* expected;
  };
  SacFixture fixture = ComponentFixture("Z", 0, 10);
  const std::string good = BuildSac(fixture);
  auto with = [&](auto change) {
    SacFixture s = fixture;
    change(s);
    return BuildSac(s);
  };
  const Case cases[] = {
      {"short header", good.substr(0, 600), "the SAC header needs 632 bytes, the file holds 600"},
      {"truncated samples", good.substr(0, 632 + 4 * 9 + 2), "npts at offset 316 is 10: the samples end at byte 672"},
      {"npts beyond", with([](SacFixture& s) { s.npts = 2'000'000'000; }), "beyond the end of the file (672 bytes)"},
      {"negative npts", with([](SacFixture& s) { s.npts = -3; }), "npts at offset 316 is -3"},
      {"no version", with([](SacFixture& s) { s.version = 0; }), "header version at offset 304"},
      {"spectrum", with([](SacFixture& s) { s.iftype = 2; }), "iftype 2 at offset 340"},
      {"uneven", with([](SacFixture& s) { s.leven = 0; }), "leven at offset 420"},
      {"delta 0", with([](SacFixture& s) { s.delta = 0; }), "delta at offset 0"},
      {"day 400", with([](SacFixture& s) { s.nz[1] = 400; }), "nzjday at offset 284 is 400"},
      {"b infinite", with([](SacFixture& s) { s.b = std::numeric_limits<float>::infinity(); }), "b at offset 20"},
      {"NaN sample", with([](SacFixture& s) { s.values[4] = std::nanf(""); }), "sample 5 at offset 648"},
  };
  for (const Case& c : cases) {
    try {
      ParseSac(c.bytes, "bad.sac");
      ADD_FAILURE() << c.name << " was accepted";
    } catch (const FormatError& error) {
      const std::string message = error.what();
      EXPECT_EQ(message.rfind("File \"bad.sac\": ", 0), 0u) << message;
      EXPECT_NE(message.find(c.expected), std::string::npos) << c.name << ": " << message;
    }
  }
}

TEST(Sac, FormatByNameAndExtensionAndThreeFilesOnly) {
  EXPECT_EQ(FormatFromName("sac"), RecordFormat::Sac);
  EXPECT_EQ(FormatFromName("mseed"), RecordFormat::MiniSeed);
  const std::pair<const char*, std::optional<RecordFormat>> byExtension[] = {
      {"a.SAC", RecordFormat::Sac},          {"b.mseed", RecordFormat::MiniSeed}, {"c.miniseed", RecordFormat::MiniSeed},
      {"d.MSD", RecordFormat::MiniSeed},     {"e.sacx", std::nullopt}};
  for (const auto& [name, format] : byExtension) EXPECT_EQ(FormatFromExtension(name), format) << name;
  ScratchDir dir;
  const std::string one = dir.write("one.sac", BuildSac(ComponentFixture("Z", 0)));
  EXPECT_THROW(ReadRecord(RecordFormat::Sac, {one}, {}), FormatError);
}
