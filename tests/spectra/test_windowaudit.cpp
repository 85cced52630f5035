// Window selection a practitioner can follow: the STA/LTA ratio and its ranges over
// windows, planted bursts that the anti-trigger drops with the reason kept per
// window, the azimuthal H/V of horizontals that resonate at different frequencies,
// and the ".hv" curve file written and read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "import/record.h"
#include "spectra/fieldstandard.h"
#include "spectra/fieldstandardreport.h"
#include "spectra/hvfile.h"
#include "spectra/ratiotable.h"
#include "spectra/stalta.h"

using namespace corvath;
using namespace corvath::spectra;
using import::Component;

namespace {

struct Noise {
  unsigned long long state;
  double next() {  // roughly Gaussian, mean 0
    double sum = 0;
    for (int i = 0; i < 4; ++i) {
      state = state * 6364136223846793005ULL + 1442695040888963407ULL;
      sum += (state >> 11) * (1.0 / 9007199254740992.0);
    }
    return sum - 2.0;
  }
};

// A two-pole resonator driven by noise.
struct Resonator {
  Resonator(double hz, double dt, unsigned long long seed)
      : c1(2 * 0.97 * std::cos(2 * std::numbers::pi * hz * dt)), drive{seed} {}
  double next() {
    const double a = drive.next() + c1 * a1 - 0.97 * 0.97 * a2;
    a2 = a1, a1 = a;
    return a;
  }
  double c1, a1 = 0, a2 = 0;
  Noise drive;
};

// Noise on all three components at 100 Hz; X resonates at xHz, Y at yHz (0: none);
// bursts of `burstGain` times the noise for 0.5 s start at the given seconds.
import::ThreeComponentRecord Record(double seconds, double xHz, double yHz, const std::vector<double>& bursts = {},
                                    double burstGain = 20) {
  const double dt = 0.01;
  const auto n = static_cast<std::size_t>(seconds / dt);
  import::ThreeComponentRecord record;
  record.reserve(n);
  Noise nx{1}, ny{2}, nz{3};
  Resonator rx(xHz, dt, 4), ry(yHz, dt, 5);
  for (std::size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) * dt;
    double gain = 1;
    for (double b : bursts)
      if (t >= b && t < b + 0.5) gain = burstGain;
    record.append(Component::X, t, gain * (nx.next() + (xHz > 0 ? 0.3 * rx.next() : 0.0)));
    record.append(Component::Y, t, gain * (ny.next() + (yHz > 0 ? 0.3 * ry.next() : 0.0)));
    record.append(Component::Z, t, gain * nz.next());
  }
  return record;
}

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

FieldStandardSettings Settings(double windowSeconds) {
  FieldStandardSettings s;
  s.windowLengthSeconds = windowSeconds;
  s.gridMinHz = 0.5;
  s.gridMaxHz = 20;
  s.gridPoints = 80;
  return s;
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
  for (std::size_t i = 0; i < x.size(); ++i) x[i] = (i / 3000 % 2 ? 50.0 : 1.0) * noise.next() + 1e3;
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
  for (std::size_t i = 0; i < x.size(); ++i) interleaved[2 * i + 1] = x[i] = noise.next() * (1 + i % 700 / 100.0);
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
  const auto record = Record(600, 0.0, 0.0, {5 * 20 + 9.0, 12 * 20 + 9.0, 20 * 20 + 9.0});
  FieldStandardSettings s = Settings(20);
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
  auto record = Record(400, 3.0, 3.0);
  const auto other = Record(400, 12.0, 12.0);
  for (std::size_t i = 0; i < 2000; ++i)
    for (Component c : {Component::X, Component::Y})
      record.setValue(c, 6 * 2000 + i, other.sample(c, 6 * 2000 + i).value * 3);
  auto result = CalculateFieldStandard(record, {}, Settings(20));
  ASSERT_TRUE(result.done());
  const auto& window = result->windows[6];
  EXPECT_EQ(window.fate, WindowFate::F0Outlier);
  EXPECT_GT(std::abs(window.f0Deviation), 2.0);
  EXPECT_TRUE(std::isfinite(window.f0Deviation));
}

TEST(AzimuthalHv, EachDirectionFindsItsOwnResonance) {
  // X resonates at 2 Hz, Y at 6 Hz: at 0 degrees the peak lies at 2 Hz, at 90 at 6 Hz.
  const auto record = Record(600, 2.0, 6.0);
  FieldStandardSettings s = Settings(30);
  auto hv = CalculateAzimuthalHv(record, {}, s, 15);
  ASSERT_TRUE(hv.done()) << hv.outcome.message;
  ASSERT_EQ(hv->azimuths.size(), 12u);
  EXPECT_EQ(hv->azimuths[0].azimuthDegrees, 0.0);
  EXPECT_EQ(hv->azimuths[11].azimuthDegrees, 165.0);
  const auto& east = hv->azimuths[6];
  EXPECT_EQ(east.azimuthDegrees, 90.0);
  EXPECT_NEAR(hv->azimuths[0].result.curvePeakHz, 2.0, 0.15);
  EXPECT_NEAR(east.result.curvePeakHz, 6.0, 0.4);
  EXPECT_TRUE(hv->directional) << hv->directionality;

  // Equal horizontals give no direction.
  auto same = CalculateAzimuthalHv(Record(600, 3.0, 3.0), {}, s, 30);
  ASSERT_TRUE(same.done());
  EXPECT_EQ(same->azimuths.size(), 6u);
  EXPECT_FALSE(same->directional) << same->directionality;

  // The table holds every azimuth over the whole grid.
  std::ostringstream table;
  WriteAzimuthTable(table, *hv);
  const std::string rows = table.str();
  EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 1 + 12 * 80);
  EXPECT_EQ(rows.find("nan"), std::string::npos);

  s.azimuthStepDegrees = 0.1;
  EXPECT_FALSE(CheckFieldStandardSettings(s).done());
}

TEST(HvFile, WrittenAndReadBackEqual) {
  auto result = CalculateFieldStandard(Record(300, 3.0, 3.0), {}, Settings(20));
  ASSERT_TRUE(result.done());
  std::stringstream file;
  WriteHvFile(file, *result, {12.5, -3.25, 100});
  const std::string text = file.str();
  const std::string used = std::to_string(result->usedWindows());
  EXPECT_EQ(text.rfind("# GEOPSY output version 1.1\n# Number of windows = " + used + "\n# f0 from average\t", 0), 0u)
      << text;
  EXPECT_NE(text.find("\n# Position\t12.5 -3.25 100\n# Category\tDefault\n# Frequency\tAverage\tMin\tMax\n"),
            std::string::npos);

  const RatioTableReading read = ReadRatioTable(file);
  ASSERT_TRUE(read.result) << read.reason;
  const auto& points = read.result->ratio.points;
  ASSERT_EQ(points.size(), result->frequenciesHz.size());
  EXPECT_TRUE(read.result->ratio.hasBounds);
  for (std::size_t g = 0; g < points.size(); ++g) {
    EXPECT_EQ(points[g].frequencyHz, result->frequenciesHz[g]);
    EXPECT_EQ(points[g].ratio, result->mean[g]);
    EXPECT_EQ(points[g].lower, result->lower[g]);
    EXPECT_EQ(points[g].upper, result->upper[g]);
  }
}

TEST(HvFile, PeerWrittenFileAndRefusals) {
  // As another tool writes it: CR LF, extra header lines, blanks around tabs.
  const std::string peer =
      "# GEOPSY output version 1.1\r\n# Number of windows = 42\r\n# f0 from average\t1.9\r\n"
      "# Number of windows for f0 = 40\r\n# f0 from windows\t1.95\t1.7\t2.2\r\n# Peak amplitude\t4.1\r\n"
      "# Position\t0 0 0\r\n# Category\tDefault\r\n# Frequency\tAverage\tMin\tMax\r\n"
      "0.5\t1.1\t0.9\t1.34\r\n1\t 2.5\t2\t3.1\r\n1.9\t4.1\t3.2\t5.2\r\n4\t1.2e0\t1\t1.44\r\n";
  std::istringstream in(peer);
  const RatioTableReading read = ReadRatioTable(in);
  ASSERT_TRUE(read.result) << read.reason;
  const auto& ratio = read.result->ratio;
  ASSERT_EQ(ratio.points.size(), 4u);
  EXPECT_EQ(ratio.points[1].ratio, 2.5);
  EXPECT_EQ(ratio.points[2].upper, 5.2);
  ASSERT_TRUE(ratio.peak);
  EXPECT_EQ(*ratio.peak, 2u);

  const std::string head = "# GEOPSY output version 1.1\n# Frequency\tAverage\tMin\tMax\n1\t2\t1.5\t3\n";
  const struct {
    std::string rows;
    std::string reason;
  } refusals[] = {
      {"2\t2\t1.5\n", "line 4: 4 numbers"},            // truncated row
      {"2\t2\t1.5\tx\n", "line 4: \"x\" is not a number"},
      {"0.5\t2\t1.5\t3\n", "line 4: the frequency \"0.5\" does not follow"},
      {"2\t2\t2.5\t3\n", "line 4: 0 < Min <= Average <= Max"},
      {"2\t2\t1\t3\n3\t1\t0\t2\n", "line 5: 0 < Min"},
  };
  for (const auto& refusal : refusals) {
    std::istringstream bad(head + refusal.rows);
    const RatioTableReading r = ReadRatioTable(bad);
    EXPECT_FALSE(r.result) << refusal.rows;
    EXPECT_NE(r.reason.find(refusal.reason), std::string::npos) << r.reason;
  }
  std::istringstream headerOnly("# GEOPSY output version 1.1\n# Frequency\tAverage\tMin\tMax\n");
  EXPECT_EQ(ReadRatioTable(headerOnly).reason, "the .hv file has no data row");
}
