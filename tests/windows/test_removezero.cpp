#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "numerics/numbertext.h"
#include "windows/removezero.h"
#include "windows/zoom.h"

namespace corvath::windows {
namespace {

using import::Component;
using import::ThreeComponentRecord;

// The running mean written out directly, in long double.
std::vector<double> DirectlyCorrected(const std::vector<double>& y, long long half) {
  const long long n = static_cast<long long>(y.size());
  std::vector<double> out(y.size());
  for (long long i = 0; i < n; ++i) {
    const long long lo = std::max(i - half, 0LL);
    const long long hi = std::min(i + half, n - 1);
    long double sum = 0;
    for (long long j = lo; j <= hi; ++j) sum += y[static_cast<std::size_t>(j)];
    out[static_cast<std::size_t>(i)] = static_cast<double>(y[static_cast<std::size_t>(i)] - sum / (hi - lo + 1));
  }
  return out;
}

ThreeComponentRecord Record(std::size_t n) {
  ThreeComponentRecord record;
  for (std::size_t i = 0; i < n; ++i) {
    const double t = 0.01 * static_cast<double>(i);
    record.append(Component::X, t, static_cast<double>(i * i % 7));
    record.append(Component::Y, t, 5.0 + static_cast<double>(i));
    record.append(Component::Z, t, -2.0 * static_cast<double>(i % 3));
  }
  return record;
}

std::vector<double> Values(const ThreeComponentRecord& r, Component c) {
  std::vector<double> v;
  for (const auto& s : r.samples(c)) v.push_back(s.value);
  return v;
}

TEST(RemoveZero, RunningMeanUsesShortenedRangesAtBothEnds) {
  std::vector<double> y = {1, 2, 4, 8, 16, 32};
  SubtractRunningMean(y, 2);
  // Sample 0 uses samples 0..2, sample 1 uses 0..3, sample 5 uses 3..5.
  EXPECT_DOUBLE_EQ(y[0], 1 - 7.0 / 3);
  EXPECT_DOUBLE_EQ(y[1], 2 - 15.0 / 4);
  EXPECT_DOUBLE_EQ(y[2], 4 - 31.0 / 5);
  EXPECT_DOUBLE_EQ(y[3], 8 - 62.0 / 5);
  EXPECT_DOUBLE_EQ(y[4], 16 - 60.0 / 4);
  EXPECT_DOUBLE_EQ(y[5], 32 - 56.0 / 3);
}

TEST(RemoveZero, SizeTextCases) {
  struct Case { const char* text; std::optional<std::size_t> half; };
  const Case cases[] = {
      {"100", 50}, {"5", 2}, {"200", 100}, {"0", 0}, {"1", 0}, {"2", 1},
      {"2,5", 1},   // 2.5 rounds to 2 (half to even)
      {"3.5", 2},   // 3.5 rounds to 4
      {"  7", 3},
      {"-4", std::nullopt}, {"-1", std::nullopt},
      {"abc", static_cast<std::size_t>(61728394)},  // InvalidNumber 123456789
      {"", static_cast<std::size_t>(61728394)},
      {"1e300", static_cast<std::size_t>(1e15)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(RunningMeanHalfWidth(numerics::TextToNumber(c.text)), c.half);
  }
}

TEST(RemoveZero, SizeZeroOrOneMakesEveryValueZero) {
  for (const char* size : {"0", "1"}) {
    SCOPED_TRACE(size);
    ThreeComponentRecord record = Record(20);
    ASSERT_TRUE(RemoveZero(record, numerics::TextToNumber(size)));
    for (Component c : import::kComponents)
      for (double v : Values(record, c)) EXPECT_EQ(v, 0.0);
  }
}

TEST(RemoveZero, UnreadableSizeSubtractsTheWholeMean) {
  ThreeComponentRecord record = Record(30);
  const ThreeComponentRecord before = record;
  ASSERT_TRUE(RemoveZero(record, numerics::TextToNumber("ten")));
  for (Component c : import::kComponents) {
    const std::vector<double> y = Values(before, c);
    double mean = 0;
    for (double v : y) mean += v;
    mean /= static_cast<double>(y.size());
    const std::vector<double> out = Values(record, c);
    for (std::size_t i = 0; i < y.size(); ++i) EXPECT_NEAR(out[i], y[i] - mean, 1e-12);
    // The times stay.
    EXPECT_EQ(record.samples(c).back().time, before.samples(c).back().time);
  }
}

TEST(RemoveZero, NeedsTenXSamplesAndAsksOnlyThen) {
  for (std::size_t n : {9u, 10u}) {
    SCOPED_TRACE(n);
    ThreeComponentRecord record = Record(n);
    const ThreeComponentRecord before = record;
    int asked = 0;
    const bool changed = RemoveZero(record, [&] { ++asked; return kRemoveZeroDefaultSize; });
    EXPECT_EQ(changed, n == 10);
    EXPECT_EQ(asked, n == 10 ? 1 : 0);
    EXPECT_EQ(record == before, n == 9);
  }
}

TEST(RemoveZero, NegativeSizeChangesNothing) {
  ThreeComponentRecord record = Record(15);
  const ThreeComponentRecord before = record;
  EXPECT_FALSE(RemoveZero(record, -6.0));
  EXPECT_EQ(record, before);
}

TEST(RemoveZero, ComponentsOfDifferentLengthEachUseTheirOwn) {
  ThreeComponentRecord record = Record(12);
  record.samples(Component::Z).resize(3);
  const std::vector<double> z = Values(record, Component::Z);
  ASSERT_TRUE(RemoveZero(record, 4.0));
  const std::vector<double> expected = DirectlyCorrected(z, 2);
  EXPECT_EQ(Values(record, Component::Z), expected);
}

TEST(RemoveZero, SlidingSumMatchesDirectMeanOnALongOffsetRecord) {
  // A large offset with small noise is the worst case for a running sum.
  std::mt19937_64 random(7);
  std::normal_distribution<double> noise(0.0, 3.0);
  std::vector<double> y(300000);
  for (std::size_t i = 0; i < y.size(); ++i) y[i] = 2.5e6 + 1e3 * std::sin(1e-4 * i) + noise(random);
  for (long long half : {0LL, 1LL, 100LL, 1000LL}) {
    SCOPED_TRACE(half);
    std::vector<double> fast = y;
    SubtractRunningMean(fast, static_cast<std::size_t>(half));
    // Compare the means (y - y') at spread positions, including both ends.
    for (std::size_t i : {0ul, 1ul, 99ul, 100ul, 101ul, 150000ul, 299899ul, 299998ul, 299999ul}) {
      const long long lo = std::max<long long>(static_cast<long long>(i) - half, 0);
      const long long hi = std::min<long long>(static_cast<long long>(i) + half, 299999);
      long double sum = 0;
      for (long long j = lo; j <= hi; ++j) sum += y[static_cast<std::size_t>(j)];
      const double direct = static_cast<double>(sum / (hi - lo + 1));
      EXPECT_NEAR(y[i] - fast[i], direct, 1e-9 * std::abs(direct)) << "sample " << i;
      // The corrected value is of the size of the noise: a drifting sum shows here first.
      EXPECT_NEAR(fast[i], y[i] - direct, 1e-8) << "sample " << i;
    }
  }
}

TEST(Zoom, StepsAndClamps) {
  double z = 1.0;
  for (int i = 0; i < 5; ++i) z = ZoomIn(z);
  EXPECT_EQ(z, 2.0);
  EXPECT_EQ(ZoomedChartWidth(400, z), 800);
  for (int i = 0; i < 100; ++i) z = ZoomIn(z);
  EXPECT_EQ(z, 10.0);
  for (int i = 0; i < 44; ++i) z = ZoomOut(z);
  EXPECT_EQ(z, 1.2);
  z = ZoomOut(ZoomOut(z));
  EXPECT_EQ(z, 1.0);
  EXPECT_EQ(ZoomedChartWidth(401, z), 401);
  EXPECT_EQ(ZoomIn(z), 1.2);
}

TEST(Zoom, FactorOfASpanSnapsToTheSteps) {
  const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    double whole, visible, factor;
  };
  const Case cases[] = {
      {100, 100, 1.0},    // the whole record
      {100, 200, 1.0},    // wider than the record
      {100, 1, 10.0},     // beyond the last step
      {100, 10, 10.0},    // exactly the last step
      {100, 10.5, 9.6},   // 9.52 -> 9.6
      {100, 50, 2.0},     // five steps, on the 0.1 grid
      {100, 90, 1.2},     // 1.11 -> 1.2 (nearest step)
      {100, 94, 1.0},     // 1.064 -> 1.0
      {300, 100, 3.0},
      {1e300, 1e-300, 10.0},  // a ratio that overflows
      {100, 0, 1.0},
      {0, 100, 1.0},
      {100, -5, 1.0},
      {100, nan, 1.0},
      {nan, 100, 1.0},
      {inf, 100, 1.0},
      {100, inf, 1.0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ZoomFactorOfSpan(c.whole, c.visible), c.factor) << c.whole << " / " << c.visible;
  // "Zoom in" goes on from the snapped factor one step at a time.
  EXPECT_EQ(ZoomIn(ZoomFactorOfSpan(100, 50)), 2.2);
}

TEST(Zoom, WidthRoundsHalvesToEven) {
  EXPECT_EQ(ZoomedChartWidth(5, 1.4), 7);
  EXPECT_EQ(ZoomedChartWidth(5, 1.5), 8);    // 7.5 -> 8
  EXPECT_EQ(ZoomedChartWidth(5, 1.3), 6);    // 6.5 -> 6
  EXPECT_EQ(ZoomedChartWidth(15, 1.5), 22);  // 22.5 -> 22
  EXPECT_EQ(RoundHalfEven(-2.5), -2.0);
  EXPECT_EQ(RoundHalfEven(-3.5), -4.0);
  EXPECT_EQ(RoundHalfEven(0.49999), 0.0);
}

}  // namespace
}  // namespace corvath::windows
