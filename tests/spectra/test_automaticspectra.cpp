#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "spectra/automaticspectra.h"

using namespace corvath::spectra;

namespace {

// Lists that reach every branch: skewed ratios, quarters (ties of value and of
// deviation), symmetric pairs around a centre (equal deviations at both ends),
// and zeros of both signs.
std::vector<std::vector<double>> RobustMeanLists() {
  std::vector<std::vector<double>> lists;
  unsigned long long state = 12345;
  auto next = [&] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (state >> 11) * (1.0 / 9007199254740992.0);
  };
  for (int round = 0; round < 400; ++round) {
    const std::size_t n = 1 + round % 53;
    std::vector<double> x(n);
    for (double& v : x) {
      switch (round % 4) {
        case 0: v = next() * next() * 10; break;
        case 1: v = std::floor(next() * 9) / 4; break;
        case 2: v = 5.0 + (next() < 0.5 ? -1.0 : 1.0) * std::floor(next() * 4) * 0.75; break;
        default: v = next() < 0.3 ? (next() < 0.5 ? -0.0 : 0.0) : std::floor(next() * 5) - 2; break;
      }
    }
    lists.push_back(x);
  }
  return lists;
}

}  // namespace

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(62.5), 62.0);
  EXPECT_EQ(RoundHalfEven(63.5), 64.0);
  EXPECT_EQ(RoundHalfEven(0.5), 0.0);
  EXPECT_EQ(RoundHalfEven(2.51), 3.0);
  EXPECT_EQ(RoundHalfEven(-2.5), -2.0);
}

TEST(PlanSegmentation, TableAt100Hz) {
  struct Case {
    std::size_t samples, length, step, count;
  };
  const Case cases[] = {
      {6001, 1000, 100, 51}, {6000, 1000, 100, 50}, {30000, 2000, 560, 50}, {700, 500, 4, 50},
      {100, 62, 1, 38},      {1001, 1000, 1, 1},    {1002, 1000, 1, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.samples);
    const auto plan = PlanSegmentation(c.samples, 0.01);
    ASSERT_TRUE(plan.done()) << plan.message();
    EXPECT_EQ(plan->length, c.length);
    EXPECT_EQ(plan->step, c.step);
    EXPECT_EQ(plan->count, c.count);
    // The last sample is never part of a segment.
    EXPECT_LT((plan->count - 1) * plan->step + plan->length - 1, c.samples - 1);
  }
  // One hour at 200 Hz: long segments, still at least half overlapping.
  const auto hour = PlanSegmentation(720000, 0.005);
  ASSERT_TRUE(hour.done());
  EXPECT_EQ(hour->length, 32000u);
  EXPECT_EQ(hour->step, 13760u);
  EXPECT_EQ(hour->count, 50u);
}

TEST(PlanSegmentation, RefusesWhatCannotBeSegmented) {
  struct Case {
    std::size_t samples;
    double dt;
  };
  const Case cases[] = {{0, 0.01}, {1, 0.01}, {1000, 0.0}, {1000, 25.0}, {4, 0.01}, {1000, 5e-324}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.samples) + " samples, dt " + std::to_string(c.dt));
    const auto plan = PlanSegmentation(c.samples, c.dt);
    EXPECT_TRUE(plan.failed());
    EXPECT_FALSE(plan.message().empty());
  }
  // dt of 2 s: 10/dt = 5 samples, just enough for bins 1 and 2.
  EXPECT_TRUE(PlanSegmentation(100, 2.0).done());
}

TEST(RobustMean, SmallCountsAndTies) {
  EXPECT_EQ(RobustMean({7.5}), 7.5);
  EXPECT_EQ(RobustMean({1.0, 3.0}), 3.0);   // the second value when they differ
  EXPECT_EQ(RobustMean({3.0, 1.0}), 1.0);
  EXPECT_EQ(RobustMean({2.0, 2.0}), 2.0);
  EXPECT_EQ(RobustMean({1.0, 2.0, 10.0}), 2.0);  // 10 goes, then 1 (lowest index of a tie)
  EXPECT_EQ(RobustMean({4.0, 4.0, 4.0, 4.0, 4.0}), 4.0);
  EXPECT_EQ(RobustMean({}), 0.0);
}

TEST(RobustMean, AgreesWithLiteralPasses) {
  // Each pass: mean of the set, then remove the first value whose deviation is
  // strictly larger than every earlier one.
  auto literal = [](const std::vector<double>& x) {
    std::vector<bool> in(x.size(), true);
    const std::size_t keep = (x.size() - 1) / 2;
    double m = 0;
    for (;;) {
      std::size_t c = 0;
      double sum = 0;
      for (std::size_t i = 0; i < x.size(); ++i)
        if (in[i]) sum += x[i], ++c;
      m = sum / c;
      bool removed = false;
      if (c > 1) {
        double largest = 0;
        std::size_t worst = x.size();
        for (std::size_t i = 0; i < x.size(); ++i)
          if (in[i] && std::fabs(x[i] - m) > largest) largest = std::fabs(x[i] - m), worst = i;
        if (worst < x.size()) in[worst] = false, removed = true;
      }
      if (!(c > keep && removed)) return m;
    }
  };
  unsigned long long state = 99;
  auto next = [&] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (state >> 11) * (1.0 / 9007199254740992.0);
  };
  for (std::size_t n = 1; n <= 60; ++n) {
    std::vector<double> x(n);
    for (double& v : x) v = next() * next() * 10;  // skewed, like segment ratios
    EXPECT_NEAR(RobustMean(x), literal(x), 1e-12 * literal(x)) << n;
  }
  // Quarters add up exactly in any order, so ties are decided exactly as the
  // literal passes decide them.
  for (std::size_t n = 1; n <= 60; ++n) {
    std::vector<double> x(n);
    for (double& v : x) v = std::floor(next() * 9) / 4;
    EXPECT_EQ(RobustMean(x), literal(x)) << n;
  }
}

TEST(RobustMean, EveryListGivesTheBitsItAlwaysGave) {
  // The means of lists that reach every branch, folded into one fingerprint and
  // pinned when the selection changed: a sum formed in another order would change
  // last bits, and a tie decided otherwise whole values.
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (const std::vector<double>& x : RobustMeanLists()) {
    const double mean = RobustMean(x);
    std::uint64_t bits;
    std::memcpy(&bits, &mean, sizeof bits);
    for (int k = 0; k < 8; ++k) hash = (hash ^ ((bits >> (8 * k)) & 0xff)) * 0x100000001b3ull;
  }
  EXPECT_EQ(hash, 0xaca272260a4b2e42ull);
  // Both ends equally far from the mean, equal values at each: the lowest index goes
  // first, and that choice decides the outcome.
  EXPECT_EQ(RobustMean({4.0, 6.0, 4.0, 6.0, 5.0}), 6.0);
  EXPECT_EQ(RobustMean({6.0, 4.0, 4.0, 6.0, 5.0}), 4.0);
}

TEST(RobustMean, FiftyOneValuesKeepTwentyFive) {
  // 25 clustered values and 26 far outliers on both sides, interleaved.
  std::vector<double> values;
  double clusterSum = 0;
  for (int i = 0; i < 51; ++i) {
    if (i % 2 == 0 && i / 2 < 25) {
      values.push_back(1.0 + 0.01 * (i / 2));
      clusterSum += values.back();
    } else {
      values.push_back((i % 4 == 1 ? 1.0 : -1.0) * (1000.0 + i));
    }
  }
  ASSERT_EQ(values.size(), 51u);
  EXPECT_NEAR(RobustMean(values), clusterSum / 25, 1e-14);
  // All equal: the first pass removes nothing.
  EXPECT_EQ(RobustMean(std::vector<double>(51, 0.3)), 0.3);
}
