#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "import/record.h"
#include "numerics/numbertext.h"
#include "spectra/calculatespectra.h"
#include "spectra/export.h"
#include "support/records.h"

using namespace corvath;
using namespace corvath::spectra;
using import::Component;

namespace {

using Noise = corvath::testing::GaussianNoise;

// White noise on all three components; X and Y also carry noise through a narrow
// resonator at resonanceHz.
import::ThreeComponentRecord ResonantRecord(std::size_t samples, double dt, double resonanceHz) {
  return corvath::testing::GaussianResonantRecord(samples, dt, resonanceHz, 0.985, {1, 2, 3, 4});
}

void ExpectAllFinite(const SpectraResult& result) {
  for (const auto& w : result.windowSpectra)
    for (const auto& p : w.curve.points) ASSERT_TRUE(std::isfinite(p.amplitude) && std::isfinite(p.frequencyHz));
  for (const auto& curve : result.averaged)
    for (const auto& p : curve.points) ASSERT_TRUE(std::isfinite(p.amplitude) && std::isfinite(p.frequencyHz));
  for (const auto& p : result.ratio.points)
    ASSERT_TRUE(std::isfinite(p.ratio) && std::isfinite(p.lower) && std::isfinite(p.upper));
}

}  // namespace

TEST(CalculateSpectra, ResonanceGivesThePeakOnBothPaths) {
  const auto record = ResonantRecord(30000, 0.01, 4.0);  // 300 s at 100 Hz
  std::vector<WindowInterval> windows;
  for (int w = 0; w < 10; ++w) windows.push_back({w * 30.0, w * 30.0 + 25.0});
  for (bool logAveraging : {true, false}) {
    for (bool windowed : {false, true}) {
      SCOPED_TRACE(std::string(windowed ? "windowed" : "automatic") + (logAveraging ? ", log" : ", linear"));
      const auto outcome = CalculateSpectra(record, windowed ? windows : std::vector<WindowInterval>{},
                                            logAveraging, 1.0, 20.0);
      ASSERT_TRUE(outcome.value) << outcome.message();
      const SpectraResult& r = *outcome.value;
      ExpectAllFinite(r);
      ASSERT_EQ(r.ratio.points.size(), 101u);
      for (const auto& curve : r.averaged) ASSERT_EQ(curve.points.size(), 101u);
      ASSERT_TRUE(r.ratio.peak);
      const double peakHz = r.ratio.points[*r.ratio.peak].frequencyHz;
      EXPECT_NEAR(peakHz, 4.0, 0.2);
      EXPECT_EQ(r.ratio.peakLabel, numerics::NumberToText(0, peakHz) + "Hz");
      EXPECT_GT(r.ratio.points[*r.ratio.peak].ratio, 2.0 * r.ratio.points.back().ratio);
      EXPECT_EQ(r.ratio.hasBounds, !windowed);
      EXPECT_EQ(r.automatic, !windowed);
      EXPECT_EQ(r.windowSpectra.size(), windowed ? 30u : 0u);
      EXPECT_EQ(r.horizontalSpan.lowHz, 1.0);
      EXPECT_EQ(r.horizontalSpan.highHz, 20.0);
      EXPECT_EQ(r.ratioSpan.highHz, 20.0);
      for (const auto& p : r.ratio.points) {
        EXPECT_LE(p.lower, p.ratio);
        EXPECT_GE(p.upper, p.ratio);
        if (windowed) {
          EXPECT_EQ(p.lower, p.upper);
        }
      }
    }
  }
}

TEST(CalculateSpectra, WindowedRatioIsFormedPointByPoint) {
  const auto record = ResonantRecord(6000, 0.01, 3.0);
  const auto outcome = CalculateSpectra(record, {{0, 20}, {25, 45}}, true, 1.0, 20.0);
  ASSERT_TRUE(outcome.value) << outcome.message();
  const auto& r = *outcome.value;
  for (std::size_t i = 0; i < r.ratio.points.size(); ++i) {
    const double expected = (r.averaged[0].points[i].amplitude + r.averaged[1].points[i].amplitude) /
                            r.averaged[2].points[i].amplitude / 2;
    EXPECT_DOUBLE_EQ(r.ratio.points[i].ratio, expected);
  }
}

TEST(ComputeWindowSpectra, SampleCountsNumbersAndFrequencies) {
  import::ThreeComponentRecord record;
  Noise noise{9};
  for (int i = 0; i < 400; ++i)
    for (Component c : import::kComponents) record.append(c, i * 0.01, noise());
  // Window 1 holds 30 samples (0.00 ... 0.29), window 2 exactly 31 with both ends on a
  // sample (1.00 ... 1.30), window 3 overlaps window 2, window 4 has start = end.
  const std::vector<WindowInterval> windows{{0.0, 0.29}, {1.0, 1.3}, {1.1, 2.6}, {3.0, 3.0}};
  const auto result = ComputeWindowSpectra(record, Component::X, windows, true, 0.0, 100.0);
  ASSERT_TRUE(result.done()) << result.message();
  const ComponentSpectra& x = *result;
  ASSERT_EQ(x.windows.size(), 2u);
  EXPECT_EQ(x.windows[0].curve.title, "X_wnd2");
  EXPECT_EQ(x.windows[0].windowPosition, 1u);
  EXPECT_EQ(x.windows[1].curve.title, "X_wnd3");
  ASSERT_EQ(x.windows[0].curve.points.size(), 15u);
  EXPECT_DOUBLE_EQ(x.windows[0].curve.points[0].frequencyHz, 1.0 / (31 * 0.01));
  EXPECT_DOUBLE_EQ(x.windows[0].curve.points[14].frequencyHz, 15.0 / (31 * 0.01));
  EXPECT_EQ(x.windows[1].curve.points.size(), 75u);  // 151 samples
  // The grid runs from the lowest to the highest window frequency.
  ASSERT_FALSE(x.averaged.points.empty());
  EXPECT_DOUBLE_EQ(x.averaged.points.front().frequencyHz, 1.0 / (151 * 0.01));
  EXPECT_LE(x.averaged.points.back().frequencyHz, 50.0);
  EXPECT_EQ(x.averaged.title, "X");
  EXPECT_EQ(x.averaged.component, Component::X);

  // Only windows that are too short: no averaged spectrum, a reason instead.
  const auto none = ComputeWindowSpectra(record, Component::Z, {{0.0, 0.29}, {3.0, 3.0}}, true, 1.0, 20.0);
  EXPECT_TRUE(none.failed());
  EXPECT_FALSE(none.value);
  EXPECT_EQ(none.message(), "no analysis window holds at least 31 samples of Z");
}

TEST(ComputeWindowSpectra, FrequencyRangeLimits) {
  import::ThreeComponentRecord record;
  Noise noise{5};
  for (int i = 0; i < 2000; ++i)
    for (Component c : import::kComponents) record.append(c, i * 0.002, noise());  // 500 Hz
  const auto x = ComputeWindowSpectra(record, Component::X, {{0.0, 3.0}}, false, 2.0, 400.0);
  ASSERT_TRUE(x.done()) << x.message();
  EXPECT_EQ(x->averaged.points.front().frequencyHz, 2.0);
  EXPECT_EQ(x->averaged.points.back().frequencyHz, 100.0);  // never above 100 Hz
}

TEST(CalculateSpectra, FailuresInsteadOfNonsense) {
  const auto good = ResonantRecord(3000, 0.01, 3.0);
  struct Case {
    std::string name;
    import::ThreeComponentRecord record;
    std::vector<WindowInterval> windows;
    bool logAveraging;
    std::string minFrq, maxFrq;
    std::string message;  // what the user reads
  };
  import::ThreeComponentRecord single;
  for (Component c : import::kComponents) single.append(c, 0.0, 1.0);
  import::ThreeComponentRecord sameTimes;
  for (int i = 0; i < 3000; ++i)
    for (Component c : import::kComponents) sameTimes.append(c, 0.0, std::sin(i * 0.1) + (c == Component::Z));
  import::ThreeComponentRecord flatZ = good;
  for (std::size_t i = 0; i < flatZ.size(Component::Z); ++i) flatZ.setValue(Component::Z, i, 0.0);
  import::ThreeComponentRecord coarse;
  for (int i = 0; i < 100; ++i)
    for (Component c : import::kComponents) coarse.append(c, i * 30.0, std::sin(i * 1.3 + int(c)));
  const std::string emptyRange = "the frequency range is empty (Min frq lies above every frequency or above Max frq)";
  const std::vector<Case> cases{
      {"unreadable Min frq", good, {}, true, "abc", "20", emptyRange},
      {"Min frq above every frequency", good, {}, true, "60", "70", emptyRange},
      {"Min frq above every window frequency", good, {{0, 10}}, true, "60", "70",
       "the frequency range of X is empty (Min frq lies above every frequency or above Max frq)"},
      {"Min frq above Max frq", good, {}, true, "10", "5", emptyRange},
      {"one sample", single, {}, true, "1", "20", "the record has fewer than two samples"},
      {"one sample, windowed", single, {{0, 10}}, true, "1", "20", "X has fewer than two samples"},
      {"zero sampling interval", sameTimes, {}, true, "1", "20", "the sampling interval of X is 0"},
      {"zero sampling interval, windowed", sameTimes, {{0, 0}}, true, "1", "20", "X has a sampling interval of 0"},
      {"sampling interval of 30 s", coarse, {}, true, "0", "20",
       "the record is too short or too coarsely sampled for automatic segmentation"},
      {"constant vertical component", flatZ, {}, false, "1", "20", "all samples of Z are 0: it has no spectrum"},
      {"constant vertical component, windowed", flatZ, {{0, 20}}, false, "1", "20",
       "all samples of Z are 0: it has no spectrum"},
      {"window too short", good, {{1, 1.2}}, true, "1", "20", "no analysis window holds at least 31 samples of X"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto outcome = CalculateSpectra(c.record, c.windows, c.logAveraging, numerics::TextToNumber(c.minFrq),
                                          numerics::TextToNumber(c.maxFrq));
    EXPECT_TRUE(outcome.failed());
    EXPECT_FALSE(outcome.value);
    EXPECT_EQ(outcome.message(), c.message);
  }
}

TEST(CalculateSpectra, OddRecordsStayFinite) {
  // Components of different lengths use only the indices all three have.
  auto record = ResonantRecord(4000, 0.01, 3.0);
  record.samples(Component::Y).resize(2500);
  for (bool windowed : {false, true}) {
    const auto outcome = CalculateSpectra(record, windowed ? std::vector<WindowInterval>{{0, 35}} : std::vector<WindowInterval>{},
                                          true, 1.0, 20.0);
    ASSERT_TRUE(outcome.value) << outcome.message();
    ExpectAllFinite(*outcome.value);
    if (!windowed) {
      const auto& plan = outcome.value->plan;
      EXPECT_LE((plan.count - 1) * plan.step + plan.length, 2500u);
    }
  }
  // Constant horizontal components have no spectrum above 0 Hz (only rounding
  // noise): refused with both kinds of mean, naming the component.
  auto flat = ResonantRecord(3000, 0.01, 3.0);
  for (Component c : {Component::X, Component::Y})
    for (std::size_t i = 0; i < flat.size(c); ++i) flat.setValue(c, i, 1.0);
  for (bool logAveraging : {true, false}) {
    const auto outcome = CalculateSpectra(flat, {}, logAveraging, 1.0, 20.0);
    EXPECT_FALSE(outcome.value);
    EXPECT_EQ(outcome.message(), "the samples of X are constant (every sample is 1): its spectrum is 0 above 0 Hz");
  }
}

TEST(CalculateSpectra, SingleSegmentBoundsCoincide) {
  const auto record = ResonantRecord(1001, 0.01, 3.0);
  const auto outcome = CalculateSpectra(record, {}, true, 1.0, 20.0);
  ASSERT_TRUE(outcome.value) << outcome.message();
  EXPECT_EQ(outcome.value->plan.count, 1u);
  for (const auto& p : outcome.value->ratio.points) {
    EXPECT_EQ(p.lower, p.ratio);
    EXPECT_EQ(p.upper, p.ratio);
  }
}

TEST(MarkPeak, FirstOfEqualMaxima) {
  RatioCurve curve;
  curve.points = {{1.0, 2.0, 2, 2}, {2.5, 7.0, 7, 7}, {3.0, 7.0, 7, 7}, {4.0, 1.0, 1, 1}};
  MarkPeak(curve);
  ASSERT_TRUE(curve.peak);
  EXPECT_EQ(*curve.peak, 1u);
  EXPECT_EQ(curve.peakLabel, "2.5Hz");
  RatioCurve empty;
  MarkPeak(empty);
  EXPECT_FALSE(empty.peak);
}

TEST(PeakInsideBand, AMaximumAtAnEndOfTheBandIsNoPeak) {
  struct Case {
    const char* name;
    std::vector<double> ratios;
    bool inside;
  };
  const Case cases[] = {
      {"inside", {1, 3, 2}, true},
      {"at the first point", {3, 2, 1}, false},
      {"at the last point", {1, 2, 3}, false},
      {"first of equal maxima at the first point", {3, 1, 3}, false},
      {"equal maxima inside and at the last point", {1, 3, 3}, true},
      {"two points", {1, 2}, false},
      {"one point", {2}, false},
      {"no point", {}, false},
  };
  for (const Case& c : cases) {
    RatioCurve curve;
    for (std::size_t i = 0; i < c.ratios.size(); ++i) curve.points.push_back({1.0 + i, c.ratios[i], 0, 0});
    MarkPeak(curve);
    EXPECT_EQ(PeakInsideBand(curve), c.inside) << c.name;
  }
}

TEST(WriteSpectrumTable, FixedFormatWithCrLf) {
  SpectraResult result;
  result.averaged[0].points = {{2.5, 1.0}, {3.0, -0.0123}};
  result.averaged[1].points = {{2.5, 2.0}, {3.0, 0.0}};
  result.averaged[2].points = {{2.5, 4.0}, {3.0, 1.0}};
  result.ratio.points = {{2.5, 0.375, 0.3, 0.4}, {3.0, 1.5, 1.0, 2.0}};
  std::ostringstream table;
  WriteSpectrumTable(table, result);
  const std::string expected =
      "f,Hz   X  Y  Z  H/Z\r\n"
      " 2.50000000000000E+0000  1.00000000000000E+0000  2.00000000000000E+0000  4.00000000000000E+0000  "
      "3.75000000000000E-0001\r\n"
      " 3.00000000000000E+0000 -1.23000000000000E-0002  0.00000000000000E+0000  1.00000000000000E+0000  "
      "1.50000000000000E+0000\r\n";
  EXPECT_EQ(table.str(), expected);
  const auto secondLine = table.str().substr(table.str().find("\r\n") + 2);
  EXPECT_EQ(secondLine.find("\r\n"), 119u);

  std::ostringstream bounds;
  WriteBoundsTable(bounds, result.ratio);
  EXPECT_EQ(bounds.str().substr(0, 26), "f,Hz   H/Z  lower  upper\r\n");
  EXPECT_EQ(bounds.str().size(), 26u + 2 * (4 * 23 + 3 + 2));

  // A frequency missing in one curve leaves its row out.
  result.averaged[1].points.pop_back();
  std::ostringstream shorter;
  WriteSpectrumTable(shorter, result);
  EXPECT_EQ(shorter.str(), expected.substr(0, expected.rfind(" 3.0")));
}

TEST(CalculateSpectra, RealRecordOnBothPaths) {
  // STN11 (30 min at 100 Hz) as little-endian SAC: 632-byte header, then float32 samples.
  const char* names[3] = {"ut.stn11.a2_c50_e.sac", "ut.stn11.a2_c50_n.sac", "ut.stn11.a2_c50_z.sac"};
  import::ThreeComponentRecord record;
  for (int c = 0; c < 3; ++c) {
    std::ifstream in(std::string(CORVATH_SHARED_DATA) + "/sac/" + names[c], std::ios::binary);
    if (!in) GTEST_SKIP() << "shared records not available";
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ((bytes.size() - 632) % 4, 0u);
    const std::size_t n = (bytes.size() - 632) / 4;
    ASSERT_EQ(n, 180001u);
    for (std::size_t i = 0; i < n; ++i) {
      float v;
      std::memcpy(&v, bytes.data() + 632 + 4 * i, 4);
      record.append(import::kComponents[c], i * 0.01, v);
    }
  }
  std::vector<WindowInterval> windows;
  for (int w = 0; w < 10; ++w) windows.push_back({w * 150.0, w * 150.0 + 60.0});
  double peaks[2];
  for (bool windowed : {false, true}) {
    SCOPED_TRACE(windowed ? "windowed" : "automatic");
    const auto outcome = CalculateSpectra(record, windowed ? windows : std::vector<WindowInterval>{}, true, 0.2, 20.0);
    ASSERT_TRUE(outcome.value) << outcome.message();
    ExpectAllFinite(*outcome.value);
    EXPECT_EQ(outcome.value->ratio.points.size(), 101u);
    peaks[windowed] = outcome.value->ratio.points[*outcome.value->ratio.peak].frequencyHz;
  }
  // The site's fundamental peak lies below 1 Hz; both paths find the same grid point
  // or a neighbour (grid spacing 0.198 Hz).
  EXPECT_LT(peaks[0], 1.0);
  EXPECT_NEAR(peaks[0], peaks[1], 0.2);
}
