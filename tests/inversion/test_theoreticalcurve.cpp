#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "forwardreference.h"
#include "inversion/theoreticalcurve.h"

using namespace corvath::inversion;
using corvath::numerics::arofcomplexM;
using corvath::numerics::arofdoubleM;
using corvath::numerics::Complex;

namespace {

constexpr int kH = static_cast<int>(ModelParameter::H);
constexpr int kVp = static_cast<int>(ModelParameter::Vp);
constexpr int kVs = static_cast<int>(ModelParameter::Vs);
constexpr int kRho = static_cast<int>(ModelParameter::Rho);
constexpr int kQp = static_cast<int>(ModelParameter::Qp);
constexpr int kQs = static_cast<int>(ModelParameter::Qs);

// One 20 m layer over a half-space.
amodel OneLayerModel() {
  amodel m;
  m.values[kH] = {20.0, 3.0};
  m.values[kVp] = {0.5, 2.0};
  m.values[kVs] = {0.2, 1.0};
  m.values[kRho] = {1.8, 2.0};
  m.values[kQp] = {20.0, 9.0};
  m.values[kQs] = {10.0, 9.0};
  return m;
}

amodel DefaultModel() {
  amodel m;
  ResetModel(m, ModelTables{}, 10);
  return m;
}

std::vector<double> Grid(double fmin, double fmax) {
  std::vector<double> f;
  for (int k = 0; k <= 100; ++k) f.push_back(((fmax - fmin) * k) / 100 + fmin);
  return f;
}

// Points (f, exp(0.1 f)) at f = 1, 2, ..., with the given ratios put in.
arofcomplexM Smooth(int count) {
  arofcomplexM c;
  for (int k = 1; k <= count; ++k) c.push_back({double(k), std::exp(0.1 * k)});
  return c;
}

}  // namespace

TEST(TheoreticalCurve, OneLayerRatiosAtTwoFrequencies) {
  arofcomplexM curve;
  ComputeTheoreticalCurve(OneLayerModel(), 0.0, 0.0, {2.5, 5.0}, curve);
  ASSERT_EQ(curve.size(), 2u);
  EXPECT_EQ(curve[0].re, 2.5);
  EXPECT_EQ(curve[1].re, 5.0);
  EXPECT_NEAR(curve[0].im, 3.1736, 0.00005);
  EXPECT_NEAR(curve[1].im, 0.37605, 0.000005);
}

TEST(TheoreticalCurve, IsTheRatioOfTheTwoTransferFunctions) {
  // The default model and settings stay within the trusted range: no repair.
  const amodel m = DefaultModel();
  for (double fref : {0.0, 1.0}) {
    const std::vector<double> f = Grid(1, 20);
    arofcomplexM curve;
    ComputeTheoreticalCurve(m, fref, 0.1, f, curve);
    const arofdoubleM s = reference::TransferFunction(m.values[kVs], m.values[kRho], m.values[kH], m.values[kQs], 0.1, fref, f);
    const arofdoubleM p = reference::TransferFunction(m.values[kVp], m.values[kRho], m.values[kH], m.values[kQp], 0.1, fref, f);
    ASSERT_EQ(curve.size(), f.size());
    for (std::size_t k = 0; k < f.size(); ++k) {
      ASSERT_EQ(curve[k].re, f[k]);
      ASSERT_NEAR(curve[k].im, s[k] / p[k], 3 * reference::kReferenceTolerance * (s[k] / p[k]))
          << "point " << k << ", fref " << fref;
      ASSERT_GE(curve[k].im, kTrustedRatioMin);
      ASSERT_LE(curve[k].im, kTrustedRatioMax);
    }
  }
}

TEST(TheoreticalCurve, EmptyFrequencyListLeavesTheCurve) {
  arofcomplexM curve{{1.0, 2.0}};
  ComputeTheoreticalCurve(DefaultModel(), 0.0, 0.1, {}, curve);
  EXPECT_EQ(curve, (arofcomplexM{{1.0, 2.0}}));
}

TEST(TheoreticalCurve, FaultsLeaveTheCurveAndThrow) {
  struct Case {
    const char* what;
    double fref, alpha;
    std::vector<double> f;
    const char* message;
  };
  const Case cases[] = {
      {"invalid K degree, points above 1 Hz", 0.0, 123456789.0, Grid(1, 20), kOverflow},
      {"invalid K degree, points below 1 Hz", 0.0, 123456789.0, Grid(0.1, 0.9), kDivisionByZero},
      {"frequency 0 with dispersion", 1.0, 0.1, {0.0, 1.0}, kDivisionByZero},
      {"negative frequency", 0.0, 0.1, {-1.0, 1.0}, kInvalidOperation},
  };
  TheoreticalCurveScratch scratch;
  for (const Case& c : cases) {
    const arofcomplexM before{{1.0, 2.0}, {3.0, 4.0}};
    for (bool withScratch : {false, true}) {
      arofcomplexM curve = before;
      try {
        if (withScratch) ComputeTheoreticalCurve(DefaultModel(), c.fref, c.alpha, c.f, curve, scratch);
        else ComputeTheoreticalCurve(DefaultModel(), c.fref, c.alpha, c.f, curve);
        ADD_FAILURE() << c.what << ": no fault";
      } catch (const ForwardModelError& e) {
        EXPECT_STREQ(e.what(), c.message) << c.what;
      }
      EXPECT_EQ(curve, before) << c.what;
    }
  }
  // An invalid reference frequency is simply used.
  arofcomplexM curve;
  ComputeTheoreticalCurve(DefaultModel(), 123456789.0, 0.1, Grid(1, 20), curve, scratch);
  EXPECT_EQ(curve.size(), 101u);
}

TEST(RepairExtremeRatios, ReplacesUntrustedPointsFromTheSplineOfTheLogarithms) {
  // The trusted points lie on ln R = 0.1 f, which the Akima spline reproduces; the
  // repaired values therefore follow exp(0.1 f), also beyond the trusted range.
  struct Case {
    const char* what;
    int points;
    std::vector<std::pair<int, double>> extreme;  // (index, ratio)
    bool repaired;
  };
  const Case cases[] = {
      {"35 with 7 trusted points", 8, {{3, 35.0}}, true},
      {"35 with 6 trusted points", 7, {{3, 35.0}}, false},
      {"P = 0 gave 0, 7 trusted", 8, {{5, 0.0}}, true},
      {"P = 0 gave 0, 6 trusted", 7, {{5, 0.0}}, false},
      {"below 0.01 and beyond the trusted frequencies", 10, {{0, 0.005}, {9, 21.0}, {8, 1e-9}}, true},
  };
  for (const Case& c : cases) {
    arofcomplexM curve = Smooth(c.points);
    for (const auto& [k, ratio] : c.extreme) curve[k].im = ratio;
    const arofcomplexM before = curve;
    RepairExtremeRatios(curve);
    ASSERT_EQ(curve.size(), before.size());
    for (std::size_t k = 0; k < curve.size(); ++k) {
      const bool extreme = before[k].im < 0.01 || before[k].im > 20;
      EXPECT_EQ(curve[k].re, before[k].re);
      if (extreme && c.repaired)
        EXPECT_NEAR(curve[k].im, std::exp(0.1 * curve[k].re), 1e-12) << c.what << ", point " << k;
      else
        EXPECT_EQ(curve[k].im, before[k].im) << c.what << ", point " << k;
    }
  }
}

TEST(RepairExtremeRatios, TheRangeLimitsAreTrusted) {
  arofcomplexM curve = Smooth(8);
  curve[2].im = 0.01;
  curve[4].im = 20.0;
  const arofcomplexM before = curve;
  RepairExtremeRatios(curve);
  EXPECT_EQ(curve, before);
}

TEST(TheoreticalRatios, ZeroCompressionAmplitudeGivesRatioZeroBeforeTheRepair) {
  const std::vector<double> f{1, 2, 3, 4, 5, 6, 7};
  arofdoubleM s, p;
  for (double x : f) {
    s.push_back(2.0 * std::exp(0.1 * x));
    p.push_back(2.0);
  }
  p[3] = 0.0;
  arofcomplexM curve;
  TheoreticalRatios(f, s, p, curve);  // 6 trusted points: the 0 stays
  EXPECT_EQ(curve[3].im, 0.0);
  EXPECT_EQ(curve[2].im, std::exp(0.3));
  const std::vector<double> f8{1, 2, 3, 4, 5, 6, 7, 8};
  s.push_back(2.0 * std::exp(0.8));
  p.push_back(2.0);
  TheoreticalRatios(f8, s, p, curve);  // 7 trusted points: repaired
  EXPECT_NEAR(curve[3].im, std::exp(0.4), 1e-12);
}

TEST(RepairExtremeRatios, SplineFailureBecomesAForwardModelError) {
  // Two trusted points at one frequency: the spline cannot be built.
  arofcomplexM curve = Smooth(8);
  curve[1].re = curve[0].re;
  curve[7].im = 50.0;
  const arofcomplexM before = curve;
  EXPECT_THROW(RepairExtremeRatios(curve), ForwardModelError);
  EXPECT_EQ(curve, before);
}

TEST(TheoreticalCurve, ScratchFollowsTheStepsOfAnInversion) {
  // One value at a time changes, as in the derivatives of the linearized inversion,
  // then everything at once; each curve equals the one computed afresh.
  amodel m = DefaultModel();
  const std::vector<double> f = Grid(1, 20);
  TheoreticalCurveScratch scratch;
  std::mt19937_64 rng(3);
  std::uniform_int_distribution<int> parameter(0, 5), layer(0, 9);
  double alpha = 0.1, fref = 0.0;
  for (int step = 0; step < 120; ++step) {
    if (step % 10 == 9) {
      for (auto& values : m.values)
        for (double& v : values) v *= 1.0 + (layer(rng) - 4.5) / 50.0;
      alpha = step % 20 == 9 ? alpha * 1.01 : alpha;
      fref = step % 30 == 9 ? 1.0 + step / 100.0 : fref;
    } else {
      m.values[parameter(rng)][layer(rng)] *= step % 2 ? 1.05 : 1.0 / 1.05;
    }
    arofcomplexM reused, fresh;
    ComputeTheoreticalCurve(m, fref, alpha, f, reused, scratch);
    ComputeTheoreticalCurve(m, fref, alpha, f, fresh);
    ASSERT_EQ(reused, fresh) << "step " << step;
  }
}

TEST(RatioFrequencies, TakesThePointFrequenciesInOrder) {
  corvath::spectra::RatioCurve ratio;
  ratio.points = {{2.0, 1.0, 1.0, 1.0}, {1.0, 3.0, 3.0, 3.0}};
  EXPECT_EQ(RatioFrequencies(ratio), (std::vector<double>{2.0, 1.0}));
  EXPECT_TRUE(RatioFrequencies(corvath::spectra::RatioCurve{}).empty());
}
