// The field-standard H/V: Konno-Ohmachi smoothing, taper, horizontal combination,
// lognormal statistics, window rejection, the SESAME criteria and the whole
// computation on synthetic records with known answers and on the real STN11 record;
// the azimuthal H/V of horizontals that resonate at different frequencies.
#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "import/record.h"
#include "spectra/fieldstandard.h"
#include "spectra/fieldstandardreport.h"
#include "spectra/fieldstandardresults.h"
#include "spectra/fieldstandardsummary.h"
#include "spectra/konnoohmachi.h"
#include "spectra/sesame.h"
#include "spectra/windowrejection.h"
#include "support/records.h"
#include "support/spectrasettings.h"

using namespace corvath;
using namespace corvath::spectra;
using corvath::testing::CoarseFieldStandardSettings;
using corvath::testing::NoiseWithResonances;
using import::Component;

namespace {

using Noise = corvath::testing::GaussianNoise;

// White noise on all three components; with resonanceHz > 0 the horizontals also
// carry noise through a narrow two-pole resonator at that frequency.
import::ThreeComponentRecord NoiseRecord(std::size_t samples, double dt, double resonanceHz, unsigned seed = 1) {
  return corvath::testing::GaussianResonantRecord(samples, dt, resonanceHz, 0.97, {seed, seed + 10, seed + 20, seed + 30});
}

void ExpectFiniteResult(const FieldStandardResult& r) {
  for (const auto* curve : {&r.mean, &r.lower, &r.upper, &r.sigmaLn})
    for (double v : *curve) ASSERT_TRUE(std::isfinite(v));
  for (const auto& w : r.windows)
    for (double v : w.ratio) ASSERT_TRUE(std::isfinite(v) && v > 0);
}

// Samples of a little-endian SAC file (632-byte header, float32 samples).
std::vector<float> ReadSac(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::int32_t npts = 0;
  std::memcpy(&npts, bytes.data() + 316, 4);
  std::vector<float> samples(static_cast<std::size_t>(npts));
  std::memcpy(samples.data(), bytes.data() + 632, samples.size() * 4);
  return samples;
}

}  // namespace

// ---- Konno-Ohmachi -------------------------------------------------------------

TEST(KonnoOhmachi, WindowShape) {
  EXPECT_EQ(KonnoOhmachiWeight(3.0, 3.0, 40), 1.0);
  EXPECT_EQ(KonnoOhmachiWeight(0.0, 3.0, 40), 0.0);
  for (double ratio : {1.01, 1.05, 1.2, 2.0}) {
    SCOPED_TRACE(ratio);
    // Symmetric in log frequency.
    EXPECT_NEAR(KonnoOhmachiWeight(3.0 * ratio, 3.0, 40), KonnoOhmachiWeight(3.0 / ratio, 3.0, 40), 1e-12);
    // Narrower for larger b (within the main lobe of the narrowest window).
    if (40 * std::log10(ratio) < std::numbers::pi) {
      EXPECT_GT(KonnoOhmachiWeight(3.0 * ratio, 3.0, 20), KonnoOhmachiWeight(3.0 * ratio, 3.0, 40));
      EXPECT_GT(KonnoOhmachiWeight(3.0 * ratio, 3.0, 40), 0.0);
    }
  }
  // The first zero lies at b log10(f/fc) = pi.
  EXPECT_NEAR(KonnoOhmachiWeight(3.0 * std::pow(10.0, std::numbers::pi / 40), 3.0, 40), 0.0, 1e-20);
}

TEST(KonnoOhmachi, TableMatchesDirectEvaluationAndKeepsConstants) {
  const double df = 1.0 / 60.0;
  const std::size_t bins = 6001;  // 60 s at 200 Hz
  Noise noise{5};
  std::vector<double> spectrum(bins), constant(bins, 2.5);
  for (auto& s : spectrum) s = std::exp(noise());
  const std::vector<double> grid = LogFrequencyGrid(0.2, 20.0, 64);
  for (double b : {10.0, 40.0, 80.0}) {
    SCOPED_TRACE(b);
    const KonnoOhmachiTable table = BuildKonnoOhmachiTable(df, bins, grid, b);
    // A restricted support, not a dense product (b = 10 reaches over most of the bins).
    if (b >= 40) {
      EXPECT_LT(table.weights.size(), grid.size() * bins / 4);
    }
    std::vector<double> fast, flat;
    ApplyKonnoOhmachi(table, spectrum, fast);
    ApplyKonnoOhmachi(table, constant, flat);
    const std::vector<double> direct = SmoothKonnoOhmachiDirect(spectrum, df, grid, b);
    for (std::size_t g = 0; g < grid.size(); ++g) {
      EXPECT_NEAR(fast[g], direct[g], 2e-4 * direct[g]) << grid[g];
      EXPECT_NEAR(flat[g], 2.5, 1e-12) << grid[g];
    }
  }
  // A centre above the last bin's support gets nothing (and no division by zero).
  const std::vector<double> high{1000.0};
  std::vector<double> out;
  ApplyKonnoOhmachi(BuildKonnoOhmachiTable(df, bins, high, 40), spectrum, out);
  EXPECT_EQ(out, std::vector<double>{0.0});
}

// ---- Taper, combination, grid ------------------------------------------------------

TEST(FieldStandardParts, TukeyTaper) {
  std::vector<double> ones(101, 1.0);
  ApplyTukeyTaper(ones, 0.0);
  EXPECT_EQ(ones, std::vector<double>(101, 1.0));
  ApplyTukeyTaper(ones, 1.0);  // Hann
  for (std::size_t i = 0; i < ones.size(); ++i)
    EXPECT_NEAR(ones[i], 0.5 * (1 - std::cos(2 * std::numbers::pi * i / 100.0)), 1e-12) << i;
  std::vector<double> tapered(1001, 1.0);
  ApplyTukeyTaper(tapered, 0.05);  // 25 intervals at each end
  EXPECT_EQ(tapered.front(), 0.0);
  EXPECT_EQ(tapered.back(), 0.0);
  EXPECT_NEAR(tapered[12], tapered[988], 1e-15);
  EXPECT_NEAR(tapered[12], 0.5 * (1 - std::cos(std::numbers::pi * 12 / 25.0)), 1e-12);
  for (std::size_t i = 25; i <= 975; ++i) ASSERT_EQ(tapered[i], 1.0) << i;
}

TEST(FieldStandardParts, HorizontalCombinations) {
  struct Case {
    HorizontalCombination c;
    double n, e, expected;
  };
  for (const Case& c : {Case{HorizontalCombination::Geometric, 4, 9, 6}, Case{HorizontalCombination::Quadratic, 3, 4, std::sqrt(12.5)},
                        Case{HorizontalCombination::Arithmetic, 3, 4, 3.5}, Case{HorizontalCombination::Geometric, 0, 9, 0}}) {
    SCOPED_TRACE(HorizontalCombinationName(c.c));
    EXPECT_NEAR(CombineHorizontal(c.c, c.n, c.e), c.expected, 1e-12);
  }
}

TEST(FieldStandardParts, EveryCombinationIsFoundByItsWordAndNamed) {
  for (const HorizontalCombinationEntry& entry : kHorizontalCombinations) {
    EXPECT_EQ(HorizontalCombinationOfWord(entry.word), entry.combination) << entry.word;
    EXPECT_STREQ(HorizontalCombinationName(entry.combination), entry.name);
  }
  EXPECT_EQ(kHorizontalCombinations.front().combination, FieldStandardSettings{}.combination);
  for (const char* word : {"", "Geometric", "geometric ", "mean"}) EXPECT_FALSE(HorizontalCombinationOfWord(word)) << word;
}

TEST(FieldStandardParts, LogGrid) {
  const auto grid = LogFrequencyGrid(0.2, 20, 256);
  ASSERT_EQ(grid.size(), 256u);
  EXPECT_EQ(grid.front(), 0.2);
  EXPECT_EQ(grid.back(), 20.0);
  for (std::size_t i = 1; i < grid.size(); ++i) EXPECT_NEAR(grid[i] / grid[i - 1], std::pow(100.0, 1 / 255.0), 1e-12);
}

// ---- Statistics and rejection ----------------------------------------------------

TEST(WindowRejection, LognormalStatistics) {
  const std::vector<double> values{1.0, std::exp(1.0), std::exp(2.0), 1000.0};
  const Lognormal all = LognormalOf(std::span(values).first(3));
  EXPECT_NEAR(all.meanLn, 1.0, 1e-12);
  EXPECT_NEAR(all.sigmaLn, 1.0, 1e-12);  // sample standard deviation
  EXPECT_NEAR(all.median(), std::exp(1.0), 1e-12);
  EXPECT_NEAR(all.lower(), 1.0, 1e-12);
  EXPECT_NEAR(all.upper(), std::exp(2.0), 1e-12);
  const Lognormal masked = LognormalOf(values, {true, false, true, false});
  EXPECT_NEAR(masked.meanLn, 1.0, 1e-12);
  EXPECT_NEAR(masked.sigmaLn, std::sqrt(2.0), 1e-12);
  EXPECT_EQ(LognormalOf(std::vector<double>{0.0, 1.0}).meanLn, 0.0);  // no log of zero
  EXPECT_EQ(LognormalOf(std::vector<double>{4.0}).sigmaLn, 0.0);
}

TEST(WindowRejection, DropsPlantedOutliersAndKeepsTheRest) {
  std::vector<double> f0;
  Noise noise{9};
  for (int i = 0; i < 30; ++i) f0.push_back(1.0 * std::exp(0.03 * noise()));
  f0[7] = 4.0;    // far off
  f0[19] = 0.3;   // far off on the other side
  const RejectionOutcome out = RejectOutlyingPeaks(f0, 2.0);
  EXPECT_TRUE(out.converged);
  EXPECT_LE(out.iterations, 50);
  for (std::size_t i = 0; i < f0.size(); ++i) EXPECT_EQ(out.accepted[i], i != 7 && i != 19) << i;

  // Identical peaks: nothing to drop, one pass.
  const RejectionOutcome same = RejectOutlyingPeaks(std::vector<double>(5, 2.0), 2.0);
  EXPECT_EQ(same.accepted, std::vector<bool>(5, true));
  EXPECT_EQ(same.iterations, 1);
  // Never fewer than two windows.
  const RejectionOutcome tight = RejectOutlyingPeaks(std::vector<double>{1.0, 2.0, 4.0, 8.0}, 0.01);
  EXPECT_GE(std::count(tight.accepted.begin(), tight.accepted.end(), true), 2);
}

// ---- SESAME ------------------------------------------------------------------------

TEST(Sesame, ThresholdTablesAtTheirBandEdges) {
  struct Case {
    double f0, epsilonFactor, theta;
  };
  for (const Case& c : {Case{0.1, 0.25, 3.0}, Case{0.1999, 0.25, 3.0}, Case{0.2, 0.20, 2.5}, Case{0.4999, 0.20, 2.5},
                        Case{0.5, 0.15, 2.0}, Case{0.9999, 0.15, 2.0}, Case{1.0, 0.10, 1.78}, Case{1.9999, 0.10, 1.78},
                        Case{2.0, 0.05, 1.58}, Case{15.0, 0.05, 1.58}}) {
    SCOPED_TRACE(c.f0);
    EXPECT_NEAR(SesameFrequencyThreshold(c.f0), c.epsilonFactor * c.f0, 1e-15);
    EXPECT_EQ(SesameAmplitudeThreshold(c.f0), c.theta);
  }
}

namespace {
// A mean curve 1 + (A0 - 1) exp(-(ln(f/f0)/w)^2) on a log grid with a constant or
// given log standard deviation.
struct SesameCase {
  const char* name;
  double f0 = 1.0, a0 = 4.0, width = 0.3, sigma = 0.1, sigmaF = 0.02, lw = 60;
  std::size_t nw = 20;
  double sigmaBump = 0.0;  // extra sigma at 1.3 f0 (moves the peak of the upper curve)
  std::vector<int> failing;
};

SesameVerdict Evaluate(const SesameCase& c, std::vector<double>& f, std::vector<double>& mean,
                       std::vector<double>& sigma) {
  f = LogFrequencyGrid(0.05, 50, 400);
  mean.clear(), sigma.clear();
  double peakF = f[0], peakA = 0;
  for (double x : f) {
    const double u = std::log(x / c.f0) / c.width;
    mean.push_back(1 + (c.a0 - 1) * std::exp(-u * u));
    const double v = std::log(x / (1.3 * c.f0)) / 0.05;
    sigma.push_back(c.sigma + c.sigmaBump * std::exp(-v * v));
    if (mean.back() > peakA) peakA = mean.back(), peakF = x;
  }
  SesameInput in;
  in.frequenciesHz = f;
  in.mean = mean;
  in.sigmaLn = sigma;
  in.f0Hz = peakF;
  in.a0 = peakA;
  in.sigmaF0Hz = c.sigmaF;
  in.windowLengthSeconds = c.lw;
  in.windowCount = c.nw;
  in.searchMinHz = 0.05;
  in.searchMaxHz = 50;
  return EvaluateSesame(in);
}
}  // namespace

TEST(Sesame, CriteriaOnKnownCurves) {
  // Criteria numbered 0-2 reliability, 3-8 clarity, in the order of SesameCriterion.
  const std::vector<SesameCase> cases{
      {"clean peak", 1.0, 4.0, 0.3, 0.1, 0.02, 60, 20, 0.0, {}},
      {"below 10 / lw", 0.1, 4.0, 0.3, 0.1, 0.002, 60, 20, 0.0, {0, 1}},
      {"too few cycles", 1.0, 4.0, 0.3, 0.1, 0.02, 60, 3, 0.0, {1}},
      {"wide scatter", 1.0, 4.0, 0.3, 0.75, 0.02, 60, 20, 0.0, {2, 8}},
      {"low peak", 1.0, 1.8, 0.3, 0.1, 0.02, 60, 20, 0.0, {3, 4, 5}},
      {"broad peak", 1.0, 4.0, 3.0, 0.1, 0.02, 60, 20, 0.0, {3, 4}},
      {"scattered f0", 1.0, 4.0, 0.3, 0.1, 0.2, 60, 20, 0.0, {7}},
      {"scattered f0 at 3 Hz passes 0.2 Hz", 3.0, 4.0, 0.3, 0.1, 0.14, 60, 20, 0.0, {}},
      {"unstable upper peak", 1.0, 4.0, 0.3, 0.1, 0.02, 60, 20, 1.5, {2, 6}},
      {"0.4 Hz allows sigma_A up to 3", 0.4, 4.0, 0.3, 0.85, 0.01, 60, 20, 0.0, {}},
  };
  for (const SesameCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<double> f, mean, sigma;
    const SesameVerdict v = Evaluate(c, f, mean, sigma);
    for (std::size_t k = 0; k < kSesameCriterionCount; ++k) {
      const bool shouldFail = std::find(c.failing.begin(), c.failing.end(), static_cast<int>(k)) != c.failing.end();
      EXPECT_EQ(v.checks[k].passed, !shouldFail) << SesameCriterionKey(v.checks[k].criterion) << " value "
                                                 << v.checks[k].value << " limit " << v.checks[k].threshold;
      EXPECT_TRUE(std::isfinite(v.checks[k].value) && std::isfinite(v.checks[k].threshold));
    }
  }
}

// ---- The whole computation -----------------------------------------------------------

TEST(FieldStandard, ResonancePutsF0WithinOneGridStep) {
  const double resonance = 2.5;
  const auto record = NoiseRecord(60000, 0.02, resonance);  // 20 min at 50 Hz
  FieldStandardSettings settings;
  settings.windowLengthSeconds = 60;
  const numerics::Result<FieldStandardResult> out = CalculateFieldStandard(record, {}, settings);
  ASSERT_TRUE(out.value) << out.message();
  const FieldStandardResult& r = *out.value;
  ExpectFiniteResult(r);
  EXPECT_EQ(r.windows.size(), 20u);
  EXPECT_TRUE(r.automaticWindows);
  const double step = std::log(r.frequenciesHz[1] / r.frequenciesHz[0]);
  EXPECT_LE(std::abs(std::log(r.f0.median() / resonance)), step) << r.f0.median();
  EXPECT_LE(std::abs(std::log(r.curvePeakHz / resonance)), step) << r.curvePeakHz;
  EXPECT_GT(r.curvePeakAmplitude, 2.0);
  EXPECT_TRUE(r.sesame.reliable());
  EXPECT_TRUE(r.sesame.clear()) << r.sesame.clarityPassed;
  for (std::size_t g = 0; g < r.mean.size(); ++g) {
    EXPECT_LE(r.lower[g], r.mean[g]);
    EXPECT_GE(r.upper[g], r.mean[g]);
  }
}

TEST(FieldStandard, WhiteNoiseFailsTheClarityCriteria) {
  const auto record = NoiseRecord(60000, 0.02, 0.0, 3);
  const numerics::Result<FieldStandardResult> out = CalculateFieldStandard(record, {}, FieldStandardSettings{});
  ASSERT_TRUE(out.value) << out.message();
  ExpectFiniteResult(*out.value);
  EXPECT_FALSE(out.value->sesame.clear()) << out.value->sesame.clarityPassed;
  EXPECT_FALSE(out.value->sesame.checks[static_cast<int>(SesameCriterion::AmplitudeAboveTwo)].passed);
  EXPECT_LT(out.value->curvePeakAmplitude, 2.0);
}

TEST(FieldStandard, WindowsOverlapCombinationAndSearch) {
  const auto record = NoiseRecord(30000, 0.02, 2.5);  // 10 min at 50 Hz
  FieldStandardSettings settings;
  settings.overlapPercent = 50;
  settings.reject = false;
  const auto overlapped = CalculateFieldStandard(record, {}, settings);
  ASSERT_TRUE(overlapped.value);
  EXPECT_EQ(overlapped.value->windows.size(), 19u);  // starts every 30 s, the last at 540 s
  EXPECT_EQ(overlapped.value->rejectedWindows(), 0u);
  EXPECT_EQ(overlapped.value->windows[1].startSeconds, 30.0);

  // The user's windows are ranges cut into 60 s windows; one shorter than that gives none.
  const auto user = CalculateFieldStandard(record, {{0, 100}, {200, 200.2}, {300, 420}}, FieldStandardSettings{});
  ASSERT_TRUE(user.value) << user.message();
  EXPECT_EQ(user.value->windows.size(), 3u);
  EXPECT_EQ(user.value->skippedWindows, 0u);
  EXPECT_FALSE(user.value->automaticWindows);
  ASSERT_EQ(user.value->ranges.size(), 3u);
  EXPECT_EQ(user.value->ranges[1].windows, 0u);
  EXPECT_EQ(user.value->windows[2].rangeIndex, 2u);
  EXPECT_EQ(user.value->windows[2].startSeconds, 360.0);

  // Quadratic >= geometric everywhere (mean of squares over product), and a search
  // band that excludes the resonance finds its peak inside the band.
  settings = {};
  settings.combination = HorizontalCombination::Quadratic;
  const auto quadratic = CalculateFieldStandard(record, {}, settings);
  const auto geometric = CalculateFieldStandard(record, {}, FieldStandardSettings{});
  ASSERT_TRUE(quadratic.value && geometric.value);
  for (std::size_t g = 0; g < geometric.value->mean.size(); ++g)
    EXPECT_GE(quadratic.value->mean[g], geometric.value->mean[g] * (1 - 1e-12));
  settings = {};
  settings.search = FrequencyBand{5, 20};
  const auto searched = CalculateFieldStandard(record, {}, settings);
  ASSERT_TRUE(searched.value);
  EXPECT_GE(searched.value->curvePeakHz, 5.0);
  for (const auto& w : searched.value->windows) EXPECT_GE(w.peakFrequencyHz, 5.0);
}

// Hand-drawn windows are the ranges in which windows of the form's length are cut:
// the length, the overlap, STA/LTA and the rejection apply to them as to the record.
TEST(FieldStandard, AnalysisWindowsAreRangesCutIntoWindows) {
  auto record = NoiseRecord(45000, 0.02, 2.5, 5);  // 15 min at 50 Hz
  // A burst in 400-410 s, inside the first range, for the anti-trigger to find.
  for (std::size_t i = 20000; i < 20500; ++i)
    for (Component c : import::kComponents) record.setValue(c, i, record.sample(c, i).value * 40.0);
  const std::vector<WindowInterval> hand{{20, 385}, {500, 745}};  // 365 s and 245 s
  FieldStandardSettings settings;
  settings.reject = false;
  const auto plain = CalculateFieldStandard(record, hand, settings);
  ASSERT_TRUE(plain.value) << plain.message();
  const FieldStandardResult& r = *plain.value;
  ASSERT_EQ(r.windows.size(), 6u + 4u);  // never the two ranges used whole
  for (const auto& w : r.windows) EXPECT_NEAR(w.lengthSeconds, 60.0, 1e-9);
  EXPECT_EQ(r.windows[0].startSeconds, 20.0);
  EXPECT_EQ(r.windows[6].startSeconds, 500.0);
  EXPECT_EQ(r.windows[6].rangeIndex, 1u);
  ASSERT_EQ(r.ranges.size(), 2u);
  EXPECT_EQ(r.ranges[0].windows, 6u);
  EXPECT_EQ(r.ranges[1].windows, 4u);
  EXPECT_EQ(WindowRangesText(r), "20-385 s: 6 (6 kept); 500-745 s: 4 (4 kept)");
  std::ostringstream report, json;
  WriteFieldStandardReport(report, r);
  WriteFieldStandardJson(json, r);
  EXPECT_NE(report.str().find("windows_from_ranges: 20-385 s: 6 (6 kept)"), std::string::npos) << report.str();
  EXPECT_NE(json.str().find("\"ranges\":[{\"start_s\":20,\"end_s\":385,\"windows\":6,\"kept\":6}"),
            std::string::npos);

  // Half overlap: windows every 30 s inside each range.
  settings.overlapPercent = 50;
  const auto overlapped = CalculateFieldStandard(record, hand, settings);
  ASSERT_TRUE(overlapped.value);
  EXPECT_EQ(overlapped.value->ranges[0].windows, 11u);
  EXPECT_EQ(overlapped.value->ranges[1].windows, 7u);

  // STA/LTA drops the window over the burst (390-450 s) and keeps the one before it.
  settings.overlapPercent = 0;
  settings.staLta = StaLtaSettings{};
  const auto triggered = CalculateFieldStandard(record, {{330, 470}}, settings);
  ASSERT_TRUE(triggered.value) << triggered.message();
  ASSERT_EQ(triggered.value->windows.size(), 2u);
  EXPECT_EQ(triggered.value->windows[0].fate, WindowFate::Kept);
  EXPECT_EQ(triggered.value->windows[1].fate, WindowFate::StaLta);
  EXPECT_EQ(triggered.value->staLtaWindows(), 1u);

  // No range as long as one window: refused, naming the longest.
  const auto none = CalculateFieldStandard(record, {{0, 30}, {100, 145}}, FieldStandardSettings{});
  EXPECT_FALSE(none.value);
  EXPECT_NE(none.message().find("the longest holds 45"), std::string::npos) << none.message();
}

TEST(FieldStandard, RefusalsSayWhy) {
  const auto record = NoiseRecord(3000, 0.02, 0.0);  // 60 s at 50 Hz
  struct Case {
    const char* name;
    FieldStandardSettings settings;
    const char* phrase;
  };
  auto with = [](auto change) {
    FieldStandardSettings s;
    change(s);
    return s;
  };
  const std::vector<Case> cases{
      {"window longer than the record", with([](auto& s) { s.windowLengthSeconds = 120; }), "shorter than one window"},
      {"grid above Nyquist", with([](auto& s) { s.gridMaxHz = 30; }), "Nyquist"},
      {"overlap 100", with([](auto& s) { s.overlapPercent = 100; }), "overlap"},
      {"negative taper", with([](auto& s) { s.taperFraction = -0.1; }), "taper"},
      {"zero b", with([](auto& s) { s.bandwidth = 0; }), "bandwidth"},
      {"reversed grid", with([](auto& s) { s.gridMinHz = 5, s.gridMaxHz = 1; }), "grid"},
      {"one point", with([](auto& s) { s.gridPoints = 1; }), "points"},
      {"search off the grid", with([](auto& s) { s.search = FrequencyBand{30, 40}; }), "search band"},
      {"NaN length", with([](auto& s) { s.windowLengthSeconds = std::nan(""); }), "window length"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto out = CalculateFieldStandard(record, {}, c.settings);
    EXPECT_FALSE(out.value);
    EXPECT_NE(out.message().find(c.phrase), std::string::npos) << out.message();
  }
  // A silent vertical gives no curve rather than infinities.
  import::ThreeComponentRecord silent = record;
  for (std::size_t i = 0; i < silent.size(Component::Z); ++i) silent.setValue(Component::Z, i, 0.0);
  FieldStandardSettings s;
  s.windowLengthSeconds = 30;
  const auto out = CalculateFieldStandard(silent, {}, s);
  EXPECT_FALSE(out.value);
  EXPECT_NE(out.message().find("without signal"), std::string::npos) << out.message();
  EXPECT_FALSE(CalculateFieldStandard(import::ThreeComponentRecord{}, {}, s).value);
}

TEST(FieldStandard, RealRecordStn11) {
  const std::filesystem::path dir = std::filesystem::path(CORVATH_SHARED_DATA) / "sac";
  const char* names[] = {"ut.stn11.a2_c50_n.sac", "ut.stn11.a2_c50_e.sac", "ut.stn11.a2_c50_z.sac"};
  for (const char* name : names)
    if (!std::filesystem::exists(dir / name)) GTEST_SKIP() << "no " << (dir / name);
  import::ThreeComponentRecord record;
  for (int c = 0; c < 3; ++c) {
    const auto samples = ReadSac(dir / names[c]);
    ASSERT_EQ(samples.size(), 180001u);
    std::vector<import::Sample> list(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) list[i] = {i * 0.01, samples[i]};
    record.assign(import::kComponents[c], std::move(list));
  }
  const numerics::Result<FieldStandardResult> out = CalculateFieldStandard(record, {}, FieldStandardSettings{});
  ASSERT_TRUE(out.value) << out.message();
  const FieldStandardResult& r = *out.value;
  ExpectFiniteResult(r);
  EXPECT_EQ(r.windows.size(), 30u);
  // The site's fundamental resonance lies near 0.7 Hz.
  EXPECT_NEAR(r.f0.median(), 0.7, 0.07);
  EXPECT_NEAR(r.curvePeakHz, 0.7, 0.07);
  EXPECT_TRUE(r.sesame.reliable());
  EXPECT_GE(r.rejectedWindows(), 1u);
  EXPECT_LE(r.rejectedWindows(), 8u);
  std::ostringstream report;
  WriteFieldStandardReport(report, r);
  EXPECT_NE(report.str().find("windows_used: " + std::to_string(r.usedWindows())), std::string::npos);
}

// One run prepares the windows and their STA/LTA ratios once for the curves and the
// azimuths, and gives what the two computations give apart.
TEST(FieldStandard, OneRunGivesTheCurvesAndTheAzimuthsOfTheSameWindows) {
  const auto record = NoiseRecord(6000, 0.02, 2.0);  // 120 s at 50 Hz
  FieldStandardSettings s;
  s.windowLengthSeconds = 20;
  s.staLta = StaLtaSettings{0.5, 10.0, 0.0, 1e9};
  s.azimuthStepDegrees = 45;
  const auto run = CalculateFieldStandardRun(record, {}, s);
  ASSERT_TRUE(run.done()) << run.message();
  const auto alone = CalculateFieldStandard(record, {}, s);
  const auto azimuths = CalculateAzimuthalHv(record, {}, s, 45);
  ASSERT_TRUE(alone.done() && azimuths.done());
  EXPECT_EQ(run->result.mean, alone->mean);
  EXPECT_EQ(run->result.f0.median(), alone->f0.median());
  ASSERT_TRUE(run->azimuthal);
  ASSERT_EQ(run->azimuthal->azimuths.size(), 4u);
  for (std::size_t a = 0; a < 4; ++a) EXPECT_EQ(run->azimuthal->azimuths[a].result.mean, azimuths->azimuths[a].result.mean);
  s.azimuthStepDegrees.reset();
  const auto without = CalculateFieldStandardRun(record, {}, s);
  ASSERT_TRUE(without.done());
  EXPECT_FALSE(without->azimuthal);
}

TEST(FieldStandardReport, NumbersThatAreNotFiniteAreWrittenAsText) {
  const double nan = std::nan(""), inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(ReportNumber(nan), "nan");
  EXPECT_EQ(ReportNumber(inf), "inf");
  EXPECT_EQ(ShortestNumber(-inf), "-inf");
  EXPECT_EQ(ShortestNumber(0.1), "0.1");
  // The JSON report has no text for them: null.
  FieldStandardResult r;
  r.f0.meanLn = nan;
  std::ostringstream json;
  WriteFieldStandardJson(json, r);
  EXPECT_EQ(json.str().rfind("{\"f0_hz\":null,", 0), 0u) << json.str();
}

TEST(AzimuthalHv, EachDirectionFindsItsOwnResonance) {
  // X resonates at 2 Hz, Y at 6 Hz: at 0 degrees the peak lies at 2 Hz, at 90 at 6 Hz.
  const auto record = NoiseWithResonances(600, 2.0, 6.0);
  FieldStandardSettings s = CoarseFieldStandardSettings(30);
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
  auto same = CalculateAzimuthalHv(NoiseWithResonances(600, 3.0, 3.0), {}, s, 30);
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

// ---- Results as saved ----------------------------------------------------------------

namespace {

std::string ZipText(const std::string& path, const char* member) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (!archive) return {};
  std::string text;
  zip_stat_t stat;
  if (zip_stat(archive, member, 0, &stat) == 0)
    if (zip_file_t* file = zip_fopen(archive, member, 0)) {
      text.resize(stat.size);
      if (zip_fread(file, text.data(), stat.size) != static_cast<zip_int64_t>(stat.size)) text.clear();
      zip_fclose(file);
    }
  zip_discard(archive);
  return text;
}

}  // namespace

TEST(FieldStandardResults, MeanSpectraTextAndWorkbookKeepEveryNumber) {
  const auto record = NoiseRecord(30000, 0.02, 2.5, 7);  // 10 min at 50 Hz
  FieldStandardSettings settings;
  settings.staLta = StaLtaSettings{};
  const auto out = CalculateFieldStandard(record, {{0, 300}, {310, 330}, {400, 599}}, settings);
  ASSERT_TRUE(out.value) << out.message();
  const FieldStandardResult& r = *out.value;

  // The mean spectra are the lognormal means of the kept windows: their ratio is the mean curve.
  ASSERT_EQ(r.meanHorizontal.size(), r.frequenciesHz.size());
  ASSERT_EQ(r.meanVertical.size(), r.frequenciesHz.size());
  for (std::size_t g = 0; g < r.mean.size(); ++g)
    EXPECT_NEAR(r.meanHorizontal[g] / r.meanVertical[g] / r.mean[g], 1.0, 1e-12) << g;

  const FieldStandardFileDetails details{"Corvath test", {"a.sac", "b.sac", "c.sac"}};
  std::ostringstream text;
  WriteFieldStandardResultsText(text, r, details);
  const std::string saved = text.str();
  for (const std::string& expected :
       {std::string("[result]\r\nrecord: a.sac; b.sac; c.sac\r\nf0_hz: ") + ShortestNumber(r.f0.median()) + "\r\n",
        "a0: " + ShortestNumber(r.a0.median()) + "\r\n", std::string("program: Corvath test\r\n"),
        std::string("[criteria]\r\ncriterion\tverdict\tvalue\tlimit\ttext\r\nreliability_1\t"),
        std::string("[settings]\r\nwindow_length_s: 60\r\n"), std::string("sta_lta: 1,30,0.2,2.5\r\n"),
        std::string("search: off\r\n"), std::string("[ranges]\r\nstart_s end_s windows kept\r\n0 300 5 "),
        std::string("310 330 0 0\r\n"), std::string("[windows]\r\nstart_s end_s f0_hz a0"),
        "[curve]\r\nf_hz hv lower upper sigma_ln horizontal vertical\r\n" + ShortestNumber(r.frequenciesHz[0]) + " " +
            ShortestNumber(r.mean[0]) + " " + ShortestNumber(r.lower[0]) + " "})
    EXPECT_NE(saved.find(expected), std::string::npos) << expected;
  const std::size_t criteria = saved.find("[criteria]");
  EXPECT_EQ(std::count(saved.begin() + static_cast<std::ptrdiff_t>(criteria),
                       saved.begin() + static_cast<std::ptrdiff_t>(saved.find("[settings]")), '\n'),
            1 + 1 + 9 + 1);

  const std::filesystem::path book = std::filesystem::temp_directory_path() / "corvath_fs_results.xlsx";
  const numerics::Outcome written = WriteFieldStandardWorkbook(book.string(), r, details);
  ASSERT_TRUE(written.done()) << written.message;
  const std::string workbook = ZipText(book.string(), "xl/workbook.xml");
  for (const char* sheet : {"Curve", "Result", "Windows", "Settings"})
    EXPECT_NE(workbook.find(std::string("name=\"") + sheet + "\""), std::string::npos) << sheet;
  // Numbers are cells holding the exact doubles.
  EXPECT_NE(ZipText(book.string(), "xl/worksheets/sheet2.xml").find("<v>" + ShortestNumber(r.f0.median()) + "</v>"),
            std::string::npos);
  std::string f = ShortestNumber(r.frequenciesHz[1]);
  for (char& c : f)
    if (c == 'e') c = 'E';
  EXPECT_NE(ZipText(book.string(), "xl/worksheets/sheet1.xml").find("<v>" + f + "</v>"), std::string::npos) << f;
  EXPECT_NE(ZipText(book.string(), "xl/sharedStrings.xml").find("a.sac; b.sac; c.sac"), std::string::npos);
  std::filesystem::remove(book);
  EXPECT_FALSE(WriteFieldStandardWorkbook("/nonexistent-corvath-dir/sub/r.xlsx", r, details).done());
}

// ---- The result for the eye ----------------------------------------------------------------

TEST(FieldStandardSummary, RoundsForTheEyeAndSaysWhatDecidesEachCriterion) {
  const struct {
    double value;
    int digits;
    const char* shown;
  } numbers[] = {{0.687409, 3, "0.687"}, {0.7055719512727981, 4, "0.7056"}, {12.5, 3, "12.5"},
                 {1234.6, 3, "1235"},    {0.000123456, 3, "0.000123"},       {0.99996, 3, "1.00"},
                 {99.96, 3, "100"},      {-2.345, 3, "-2.35"},               {0.0, 3, "0"},
                 {std::nan(""), 3, "0"}, {HUGE_VAL, 4, "0"}};
  for (const auto& n : numbers) EXPECT_EQ(DisplayNumber(n.value, n.digits), n.shown) << n.value;

  const auto record = NoiseRecord(60000, 0.02, 2.5);
  const auto out = CalculateFieldStandard(record, {}, FieldStandardSettings{});
  ASSERT_TRUE(out.value) << out.message();
  const FieldStandardResult& r = *out.value;
  const FieldStandardSummary s = SummarizeFieldStandard(r);
  EXPECT_EQ(s.f0, DisplayNumber(r.f0.median()) + " ± " + DisplayNumber(r.sigmaF0Hz) + " Hz");
  EXPECT_EQ(s.a0, DisplayNumber(r.a0.median()));
  EXPECT_EQ(s.windows.rfind(std::to_string(r.usedWindows()) + " of 20 kept", 0), 0u) << s.windows;
  ASSERT_EQ(s.reliability.size(), 3u);
  ASSERT_EQ(s.clarity.size(), 6u);
  // Each line carries the two numbers that decide it, rounded.
  const SesameCheck& first = r.sesame.checks[0];
  EXPECT_EQ(s.reliability[0].numbers, DisplayNumber(first.value) + " Hz > " + DisplayNumber(first.threshold) + " Hz");
  EXPECT_EQ(s.reliability[0].passed, first.passed);
  EXPECT_EQ(s.clarity[5].passed, r.sesame.checks[8].passed);
  EXPECT_TRUE(s.ranges.empty());

  const std::string html = FieldStandardSummaryHtml(s);
  EXPECT_NE(html.find("<b>" + s.f0 + "</b>"), std::string::npos);
  EXPECT_NE(html.find("Reliable curve: " + s.reliable), std::string::npos);
  EXPECT_NE(html.find("0.167 Hz"), std::string::npos) << html;  // 10 / 60 s, as the eye reads it
  EXPECT_EQ(html.find("0.16666"), std::string::npos);
  EXPECT_NE(html.find("&gt;"), std::string::npos);  // comparisons escaped
}
