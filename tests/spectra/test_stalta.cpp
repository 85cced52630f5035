// The STA/LTA ratio and its ranges over windows, planted bursts that the anti-trigger
// drops with the reason kept per window, and the f0 outlier's deviation beside them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "import/record.h"
#include "spectra/fieldstandard.h"
#include "spectra/fieldstandardreport.h"
#include "spectra/stalta.h"
#include "support/records.h"
#include "support/spectrasettings.h"

using namespace corvath;
using namespace corvath::spectra;
using corvath::testing::CoarseFieldStandardSettings;
using corvath::testing::NoiseWithResonances;
using import::Component;

namespace {

using Noise = corvath::testing::GaussianNoise;

// STA/LTA by its definition, sample by sample.
std::vector<double> NaiveRatio(const std::vector<double>& x, std::size_t sta, std::size_t lta) {
  double mean = 0;
  for (double v : x) mean += v;
  mean /= static_cast<double>(x.size());
  auto average = [&](std::size_t t, std::size_t length) {
    const std::size_t from = t + 1 >= length ? t + 1 - length : 0;
    double s = 0;
    for (std::size_t i = from; i <= t; ++i) s += std::abs(x[i] - mean);
    return s / static_cast<double>(t + 1 - from);
  };
  std::vector<double> r(x.size());
  for (std::size_t t = 0; t < x.size(); ++t) {
    const double l = average(t, lta);
    r[t] = l > 0 ? average(t, sta) / l : 1.0;
  }
  return r;
}

}  // namespace

TEST(StaLta, RatioFollowsItsDefinitionFromTheFirstSample) {
  // The first samples average over what is available: at t = 0 both averages are |x0 - mean|.
  const std::vector<double> small{4, 0, 0, 0, 8, 0};  // mean 2
  const std::vector<double> r = StaLtaRatio({small.data(), 1, small.size()}, 2, 4);
  const double a[] = {2, 2, 2, 2, 6, 2};
  EXPECT_DOUBLE_EQ(r[0], 1.0);
  EXPECT_DOUBLE_EQ(r[1], ((a[0] + a[1]) / 2) / ((a[0] + a[1]) / 2));
  EXPECT_DOUBLE_EQ(r[4], ((a[3] + a[4]) / 2) / ((a[1] + a[2] + a[3] + a[4]) / 4));
  EXPECT_DOUBLE_EQ(r[5], ((a[4] + a[5]) / 2) / ((a[2] + a[3] + a[4] + a[5]) / 4));

  // A long record with loud and silent stretches: the running sums agree with the
  // definition everywhere, and a silent stretch reads 1, not 0/0.
  Noise noise{7};
  std::vector<double> x(20000);
  for (std::size_t i = 0; i < x.size(); ++i) x[i] = (i / 3000 % 2 ? 50.0 : 1.0) * noise() + 1e3;
  std::fill(x.begin() + 15000, x.begin() + 17000, x[14999]);
  const std::vector<double> fast = StaLtaRatio({x.data(), 1, x.size()}, 37, 410);
  const std::vector<double> naive = NaiveRatio(x, 37, 410);
  for (std::size_t t = 0; t < x.size(); ++t) ASSERT_NEAR(fast[t], naive[t], 1e-9 * std::max(1.0, naive[t])) << t;
  std::vector<double> flat(5000, 3.0);
  for (double v : StaLtaRatio({flat.data(), 1, flat.size()}, 10, 100)) ASSERT_EQ(v, 1.0);
}

TEST(StaLta, RangesOverWindowsInAnyOrderAndStride) {
  Noise noise{3};
  std::vector<double> interleaved(2 * 3000);  // the values every second double, as in a record
  std::vector<double> x(3000);
  for (std::size_t i = 0; i < x.size(); ++i) interleaved[2 * i + 1] = x[i] = noise() * (1 + i % 700 / 100.0);
  const std::vector<SampleSpan> windows{{2000, 500}, {0, 1}, {100, 900}, {500, 1000}, {2999, 1}};
  std::vector<StaLtaRange> ranges(windows.size(), StaLtaRangeStart());
  FoldStaLtaRanges({interleaved.data() + 1, 2, x.size()}, 20, 300, windows, ranges);
  const std::vector<double> r = NaiveRatio(x, 20, 300);
  for (std::size_t w = 0; w < windows.size(); ++w) {
    const auto first = r.begin() + static_cast<std::ptrdiff_t>(windows[w].first);
    const auto [lo, hi] = std::minmax_element(first, first + static_cast<std::ptrdiff_t>(windows[w].count));
    EXPECT_NEAR(ranges[w].min, *lo, 1e-12) << w;
    EXPECT_NEAR(ranges[w].max, *hi, 1e-12) << w;
  }
}

TEST(StaLta, PlantedBurstsAreDroppedWithTheirReasonAndTheRestKept) {
  // 30 windows of 20 s; bursts in the middle of windows 5, 12 and 20.
  const auto record = NoiseWithResonances(600, 0.0, 0.0, {5 * 20 + 9.0, 12 * 20 + 9.0, 20 * 20 + 9.0});
  FieldStandardSettings s = CoarseFieldStandardSettings(20);
  s.reject = false;

  // Off: every window kept, their ratios measured all the same.
  auto plain = CalculateFieldStandard(record, {}, s);
  ASSERT_TRUE(plain.done()) << plain.outcome.message;
  ASSERT_EQ(plain->windows.size(), 30u);
  EXPECT_EQ(plain->usedWindows(), 30u);
  EXPECT_GT(plain->windows[5].staLtaMax, 2.5);

  s.staLta = StaLtaSettings{};
  auto selected = CalculateFieldStandard(record, {}, s);
  ASSERT_TRUE(selected.done()) << selected.outcome.message;
  for (std::size_t w = 0; w < 30; ++w) {
    const auto& window = selected->windows[w];
    const bool burst = w == 5 || w == 12 || w == 20;
    EXPECT_EQ(window.fate, burst ? WindowFate::StaLta : WindowFate::Kept) << w;
    EXPECT_EQ(window.rejected, burst) << w;
    if (burst) EXPECT_GT(window.staLtaMax, 2.5) << w;
    if (!burst) EXPECT_TRUE(window.staLtaMin >= 0.2 && window.staLtaMax <= 2.5) << w;
  }
  EXPECT_EQ(selected->usedWindows(), 27u);
  EXPECT_EQ(selected->staLtaWindows(), 3u);

  // The table says the same, one row per window in time order.
  std::ostringstream table;
  WriteWindowTable(table, *selected);
  std::istringstream rows(table.str());
  std::string line;
  std::getline(rows, line);
  EXPECT_EQ(line, "start_s end_s f0_hz a0 sta_lta_min sta_lta_max status");
  std::vector<std::string> statuses;
  double lastStart = -1;
  while (std::getline(rows, line)) {
    std::istringstream fields(line);
    double start, end, f0, a0, lo, hi;
    std::string status;
    ASSERT_TRUE(fields >> start >> end >> f0 >> a0 >> lo >> hi >> status) << line;
    EXPECT_GT(start, lastStart);
    lastStart = start;
    statuses.push_back(status);
  }
  ASSERT_EQ(statuses.size(), 30u);
  EXPECT_EQ(statuses[5], "sta-lta");
  EXPECT_EQ(statuses[6], "kept");

  // The user's own windows go through the same anti-trigger: the one over a burst is dropped.
  auto own = CalculateFieldStandard(record, {{100, 120}, {140, 160}}, s);
  ASSERT_TRUE(own.done());
  ASSERT_EQ(own->windows.size(), 2u);
  EXPECT_EQ(own->windows[0].fate, WindowFate::StaLta);
  EXPECT_EQ(own->usedWindows(), 1u);

  // "Select windows automatically" keeps the same 27 as analysis windows.
  auto quiet = SelectQuietWindows(record, s);
  ASSERT_TRUE(quiet.done());
  ASSERT_EQ(quiet->size(), 27u);
  EXPECT_EQ(quiet.outcome.message, "27 of 30 windows pass the STA/LTA anti-trigger");
  EXPECT_DOUBLE_EQ((*quiet)[5].startSeconds, 120.0);

  // Bounds no window meets: a refusal that says why, not an empty curve.
  s.staLta->maxRatio = 0.5;
  auto none = CalculateFieldStandard(record, {}, s);
  ASSERT_FALSE(none.done());
  EXPECT_NE(none.outcome.message.find("STA/LTA anti-trigger rejected every window"), std::string::npos);
  EXPECT_FALSE(SelectQuietWindows(record, s).done());
  s.staLta->ltaSeconds = 0.5;
  EXPECT_FALSE(CalculateFieldStandard(record, {}, s).done());
}

TEST(StaLta, OutliersCarryTheirDeviation) {
  // One window's horizontals resonate far from the others': rejected as an f0 outlier.
  auto record = NoiseWithResonances(400, 3.0, 3.0);
  const auto other = NoiseWithResonances(400, 12.0, 12.0);
  for (std::size_t i = 0; i < 2000; ++i)
    for (Component c : {Component::X, Component::Y})
      record.setValue(c, 6 * 2000 + i, other.sample(c, 6 * 2000 + i).value * 3);
  auto result = CalculateFieldStandard(record, {}, CoarseFieldStandardSettings(20));
  ASSERT_TRUE(result.done());
  const auto& window = result->windows[6];
  EXPECT_EQ(window.fate, WindowFate::F0Outlier);
  EXPECT_GT(std::abs(window.f0Deviation), 2.0);
  EXPECT_TRUE(std::isfinite(window.f0Deviation));
}
