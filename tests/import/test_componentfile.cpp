// The record's ordering rule and the component-file reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "import/fixtures.h"
#include "import/readers.h"

namespace corvath::import {
namespace {

using testing::ScratchDir;

std::vector<std::pair<double, double>> pairs(const ThreeComponentRecord& r, Component c) {
  std::vector<std::pair<double, double>> out;
  for (const Sample& s : r.samples(c)) out.emplace_back(s.time, s.value);
  return out;
}

TEST(Record, AppendInsertsAfterTheLastSampleNotLater) {
  ThreeComponentRecord r;
  // Out of order, and three samples at t = 1 that must keep their arrival order.
  for (auto [t, v] : std::vector<std::pair<double, double>>{{0, 1}, {2, 2}, {1, 3}, {1, 4}, {-1, 5}, {1, 6}, {2, 7}})
    r.append(Component::Y, t, v);
  const std::vector<std::pair<double, double>> expected{{-1, 5}, {0, 1}, {1, 3}, {1, 4}, {1, 6}, {2, 2}, {2, 7}};
  EXPECT_EQ(pairs(r, Component::Y), expected);
  EXPECT_EQ(r.size(Component::X), 0u);
  EXPECT_EQ(r.size(Component::Z), 0u);
}

TEST(Record, AssignPlacesSamplesAsRepeatedAppendsDo) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> time(0, 20);  // few distinct times: many ties
  for (int round = 0; round < 50; ++round) {
    std::vector<Sample> arrivals;
    ThreeComponentRecord appended;
    for (int i = 0; i < 200; ++i) {
      const Sample s{time(random) * 0.5, static_cast<double>(i)};
      arrivals.push_back(s);
      appended.append(Component::Z, s.time, s.value);
    }
    ThreeComponentRecord assigned;
    assigned.assign(Component::Z, arrivals);
    ASSERT_EQ(pairs(assigned, Component::Z), pairs(appended, Component::Z)) << "round " << round;
  }
}

TEST(Record, SamplingIntervalIsTheGapOfTheFirstTwoSamples) {
  ThreeComponentRecord r;
  EXPECT_EQ(r.samplingInterval(Component::X), 0.0);
  r.append(Component::X, 3.0, 0);
  EXPECT_EQ(r.samplingInterval(Component::X), 0.0);
  r.append(Component::X, 2.5, 0);
  EXPECT_DOUBLE_EQ(r.samplingInterval(Component::X), 0.5);
}

// Times are held as a start and an interval exactly when those give every time to the
// bit; otherwise one by one. Either way the list reads the same.
TEST(Record, TimesAreHeldOnceWhenAStartAndIntervalReproduceThem) {
  const auto lattice = [](double start, long double dt, int n) {
    std::vector<double> t(n);
    for (int i = 0; i < n; ++i) t[i] = static_cast<double>(start + i * dt);
    return t;
  };
  std::vector<double> decimal(1000);  // times as a table writes them: "0.005", "0.010", ...
  for (int i = 0; i < 1000; ++i) decimal[i] = std::stod(std::to_string(i * 5) + "e-3");
  std::vector<double> jittered = lattice(0.0, 0.01L, 1000);
  jittered[500] = std::nextafter(jittered[500], 10.0);
  std::vector<double> negativeZero{-0.0, 0.01, 0.02};
  struct Case {
    const char* name;
    std::vector<double> times;
    bool even;
  } cases[] = {
      {"k / 200 in long double", lattice(0.0, 1.0L / 200, 1000), true},
      {"k * 0.005 from a start of 12.5 s", lattice(12.5, 0.005L, 1000), true},
      {"one time", {4.25}, true},
      {"decimal times one step apart", decimal, true},
      {"one time off by one ulp", jittered, false},
      {"a start of -0", negativeZero, false},
      {"uneven", {0.0, 0.1, 0.3}, false},
      {"ties", {0.0, 0.0, 1.0}, false},
  };
  for (const Case& c : cases) {
    std::vector<double> values(c.times.size());
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<double>(i) - 3.5;
    const SampleList list = SampleList::Timed(c.times, values);
    EXPECT_EQ(list.evenlySpaced(), c.even) << c.name;
    ASSERT_EQ(list.size(), c.times.size()) << c.name;
    for (std::size_t i = 0; i < list.size(); ++i) {
      EXPECT_EQ(std::signbit(list.time(i)), std::signbit(c.times[i])) << c.name << " sample " << i;
      ASSERT_EQ(list[i].time, c.times[i]) << c.name << " sample " << i;
      ASSERT_EQ(list[i].value, values[i]) << c.name << " sample " << i;
    }
  }
}

TEST(Record, EvenSamplesTakeAppendsResizesAndValueChanges) {
  ThreeComponentRecord r;
  r.assignEven(Component::X, 0.0, 1.0L / 3, {1, 2, 3, 4});
  EXPECT_TRUE(r.samples(Component::X).evenlySpaced());
  EXPECT_EQ(r.sample(Component::X, 3).time, static_cast<double>(3 * (1.0L / 3)));
  EXPECT_EQ(r.samples(Component::X).back().value, 4.0);
  r.setValue(Component::X, 1, -2.0);
  r.samples(Component::X).values()[2] = -3.0;
  r.append(Component::X, 0.5, 9.0);  // between samples 1 and 2: every time is then held
  EXPECT_FALSE(r.samples(Component::X).evenlySpaced());
  const std::vector<std::pair<double, double>> expected{
      {0.0, 1}, {static_cast<double>(1.0L / 3), -2}, {0.5, 9}, {static_cast<double>(2 * (1.0L / 3)), -3},
      {static_cast<double>(3 * (1.0L / 3)), 4}};
  EXPECT_EQ(pairs(r, Component::X), expected);
  r.samples(Component::X).resize(2);
  const std::vector<std::pair<double, double>> firstTwo(expected.begin(), expected.begin() + 2);
  EXPECT_EQ(pairs(r, Component::X), firstTwo);
  // Iterators walk the samples as pairs, for searches by time.
  const SampleList& x = r.samples(Component::X);
  const auto at = std::lower_bound(x.begin(), x.end(), 0.2, [](const Sample& s, double t) { return s.time < t; });
  EXPECT_EQ(at - x.begin(), 1);
  EXPECT_EQ(at->value, -2.0);
}

// One component file per case: the samples it gives.
struct ComponentCase {
  const char* name;
  std::string text;
  std::vector<std::pair<double, double>> samples;
};

TEST(ComponentFiles, DataLinesGiveSamplesOnlyWithExactlyTwoNumbers) {
  const std::string header = "X component\n1 2\n3 4\n";  // numbers in the header are not read
  const std::vector<ComponentCase> cases{
      {"plain", header + "0 1.5\n0.01 -2\n", {{0, 1.5}, {0.01, -2}}},
      {"out of order, equal times in file order",
       header + "0.02 1\n0.00 2\n0.01 3\n0.01 4\n0.00 5\n",
       {{0, 2}, {0, 5}, {0.01, 3}, {0.01, 4}, {0.02, 1}}},
      {"decimal comma with a tab", header + "0,5\t12,75\n", {{0.5, 12.75}}},
      {"comma as separator gives nothing", header + "0.5,12.75\n0.5;12.75\n", {}},
      {"words that are not numbers do not count", header + "0.01 15.2 mm/s\n", {{0.01, 15.2}}},
      {"one or three numbers are skipped", header + "1\n1 2 3\n\n4 5\n", {{4, 5}}},
      {"CR LF line ends and blanks", header + "  1\t \t2 \r\n3 4\r\n", {{1, 2}, {3, 4}}},
      {"no newline at the end", header + "7 8", {{7, 8}}},
      {"exactly three lines", header, {}},
      {"fewer than three lines", "a\nb\n", {}},
      {"empty file", "", {}},
  };
  ScratchDir dir;
  const std::string other = dir.write("other.csv", "h\nh\nh\n5 6\n");
  for (const ComponentCase& c : cases) {
    const std::string path = dir.write("case.csv", c.text);
    const ThreeComponentRecord r = ReadComponentFiles(other, path, other);
    EXPECT_EQ(pairs(r, Component::Y), c.samples) << c.name;
    // The other components load normally whatever this file holds.
    EXPECT_EQ(r.size(Component::X), 1u) << c.name;
    EXPECT_EQ(r.size(Component::Z), 1u) << c.name;
  }
}

TEST(ComponentFiles, ThreeFilesOfDifferentLengthsFillXYZInOrder) {
  ScratchDir dir;
  const std::string x = dir.write("x.csv", "t v\n\n\n0 1\n1 2\n2 3\n");
  const std::string y = dir.write("y.csv", "t v\n\n\n0 10\n");
  const std::string z = dir.write("z.csv", "t v\n\n\n0 100\n1 200\n");
  const ThreeComponentRecord r = ReadComponentFiles(x, y, z);
  EXPECT_EQ(pairs(r, Component::X), (std::vector<std::pair<double, double>>{{0, 1}, {1, 2}, {2, 3}}));
  EXPECT_EQ(pairs(r, Component::Y), (std::vector<std::pair<double, double>>{{0, 10}}));
  EXPECT_EQ(pairs(r, Component::Z), (std::vector<std::pair<double, double>>{{0, 100}, {1, 200}}));
}

TEST(ComponentFiles, AMissingFileThrowsFileErrorNamingIt) {
  ScratchDir dir;
  const std::string good = dir.write("good.csv", "\n\n\n1 2\n");
  const std::string missing = dir.path("missing.csv");
  for (int position = 0; position < 3; ++position) {
    std::vector<std::string> paths{good, good, good};
    paths[position] = missing;
    try {
      ReadComponentFiles(paths[0], paths[1], paths[2]);
      ADD_FAILURE() << "no error for the missing file at position " << position;
    } catch (const numerics::FileError& e) {
      EXPECT_STREQ(e.what(), "File not found");
      EXPECT_EQ(e.path(), missing);
    }
  }
}

TEST(ComponentFiles, AFolderInPlaceOfAFileIsRefused) {
  ScratchDir dir;
  const std::string good = dir.write("good.csv", "\n\n\n1 2\n");
  std::filesystem::create_directory(dir.path("folder.csv"));
  EXPECT_THROW(ReadComponentFiles(good, dir.path("folder.csv"), good), numerics::FileError);
}

TEST(ReadRecord, DispatchesByFormatAndChecksTheNumberOfFiles) {
  ScratchDir dir;
  const std::string c = dir.write("c.csv", "\n\n\n1 2\n");
  const std::string saf = dir.write("r.saf", "SAMP_FREQ = 10\n####-\n1 2 3\n");
  EXPECT_EQ(ReadRecord(RecordFormat::Components, {c, c, c}, {})->size(Component::X), 1u);
  EXPECT_EQ(ReadRecord(RecordFormat::Saf, {saf}, {})->size(Component::Z), 1u);
  EXPECT_THROW(ReadRecord(RecordFormat::Components, {c}, {}), FormatError);
  EXPECT_THROW(ReadRecord(RecordFormat::Saf, {saf, saf, saf}, {}), FormatError);
}

TEST(ReadRecord, FormatsByNameAndByExtension) {
  EXPECT_EQ(FormatFromName("components"), RecordFormat::Components);
  EXPECT_EQ(FormatFromName("delta"), RecordFormat::Delta);
  EXPECT_EQ(FormatFromName("SAF"), std::nullopt);
  const std::vector<std::pair<std::string, std::optional<RecordFormat>>> cases{
      {"a.saf", RecordFormat::Saf},    {"A.SAF", RecordFormat::Saf},   {"b.sg2", RecordFormat::Seg2},
      {"c.SEG2", RecordFormat::Seg2},  {"d.dat", RecordFormat::Delta}, {"e.csv", std::nullopt},
      {"seg2", std::nullopt},          {"f.saf.txt", std::nullopt},
  };
  for (const auto& [path, format] : cases) EXPECT_EQ(FormatFromExtension(path), format) << path;
}

}  // namespace
}  // namespace corvath::import
