#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "spectra/smoothing.h"

using namespace corvath::spectra;

namespace {

// A literal grid average: every point visited in list order for every grid frequency.
std::vector<SpectralPoint> ReferenceGridAverage(const std::vector<SpectralPoint>& points, double fmin, double fmax,
                                                const AveragingKernel& kernel, bool logAveraging) {
  std::vector<SpectralPoint> out;
  const double h = KernelHalfWidth(kernel, fmin, fmax);
  for (int k = 0; k <= 100; ++k) {
    const double f = ((fmax - fmin) * k) / 100 + fmin;
    if (f > fmax) continue;
    double s = 0, w = 0, e = 0;
    for (const auto& p : points) {
      const double d = f - p.frequencyHz;
      if (std::fabs(d) < h) {
        const double wt = kernel.kind == KernelKind::InverseSquare
                              ? 1 / (d * d + 0.1)
                              : kernel.spacingHz / (std::fabs(d) + 2 * kernel.spacingHz);
        w += wt;
        s += wt * (logAveraging ? std::log(p.value) : p.value);
        e += wt * p.companion;
      }
    }
    if (w > 0) out.push_back({f, logAveraging ? std::exp(s / w) : s / w, e / w});
  }
  return out;
}

}  // namespace

TEST(SmoothBins, InteriorBinWeightsFollowTheTable) {
  // Only bin i + d carries a modulus: with linear means A_i is that bin's total
  // weight over the total weight of all bins counted for i.
  const std::vector<double> rounded{0.0588, 0.2, 0.6, 2, 5, 3, 1, 0.4, 0.1765, 0.0769, 0.0270};
  double sumOfTotals = 0;
  std::vector<double> totals;
  for (int d = -4; d <= 6; ++d) {
    totals.push_back((6 - std::abs(d - 1)) / double(d * d + 1));
    sumOfTotals += totals.back();
  }
  const int n = 64, i = 20;
  for (int d = -4; d <= 6; ++d) {
    SCOPED_TRACE(d);
    EXPECT_NEAR(totals[d + 4], rounded[d + 4], 1e-4);
    std::vector<double> moduli(n, 0.0);
    moduli[i + d] = 1.0;
    const std::vector<double> a = SmoothBins(moduli, false);
    EXPECT_NEAR(a[i], totals[d + 4] / sumOfTotals, 1e-15);
  }
  // Bins beyond the reach of the six passes do not count.
  std::vector<double> moduli(n, 0.0);
  moduli[i - 5] = moduli[i + 7] = 1.0;
  EXPECT_EQ(SmoothBins(moduli, false)[i], 0.0);
}

TEST(SmoothBins, SizeAndMeans) {
  EXPECT_EQ(SmoothBins(std::vector<double>(31, 1.0), true).size(), 16u);
  EXPECT_EQ(SmoothBins(std::vector<double>(30, 1.0), true).size(), 15u);
  EXPECT_EQ(SmoothBins(std::vector<double>(1, 1.0), true).size(), 1u);

  std::vector<double> constant(40, 2.5);
  constant[0] = 1e9;  // bin 0 never contributes
  for (bool logAveraging : {false, true})
    for (double a : SmoothBins(constant, logAveraging)) EXPECT_NEAR(a, 2.5, 1e-14);

  // Geometric against arithmetic mean on two alternating values.
  std::vector<double> alternating(40);
  for (int j = 0; j < 40; ++j) alternating[j] = j % 2 ? 4.0 : 1.0;
  const auto geometric = SmoothBins(alternating, true);
  const auto arithmetic = SmoothBins(alternating, false);
  EXPECT_GT(arithmetic[10], geometric[10]);
  EXPECT_GT(geometric[10], 1.0);
  EXPECT_LT(geometric[10], 4.0);
}

TEST(SmoothBins, ZeroModulusStaysOutOfLogarithmicMean) {
  std::vector<double> moduli(40, 3.0);
  moduli[10] = 0.0;
  for (double a : SmoothBins(moduli, true)) {
    EXPECT_TRUE(std::isfinite(a));
    EXPECT_NEAR(a, 3.0, 1e-14);
  }
  // Nothing usable at all: 0, never NaN or infinity.
  for (double a : SmoothBins(std::vector<double>(31, 0.0), true)) EXPECT_EQ(a, 0.0);
  EXPECT_EQ(SmoothBins(std::vector<double>(1, 5.0), false)[0], 0.0);
}

TEST(GridAverage, HalfWidthIsStrict) {
  // fmin 0, fmax 30: inverse-square half-width 1 Hz; grid frequency 3.0 Hz is k = 10.
  const std::vector<SpectralPoint> points{{3.5, 2.0, 0}, {4.0, 100.0, 0}};
  const auto grid = GridAverage(points, 0.0, 30.0, InverseSquareKernel(), false);
  const auto at = [&](double f) -> const SpectralPoint* {
    for (const auto& p : grid)
      if (std::fabs(p.frequencyHz - f) < 1e-12) return &p;
    return nullptr;
  };
  ASSERT_NE(at(3.0), nullptr);
  EXPECT_DOUBLE_EQ(at(3.0)->value, 2.0);  // 4.0 is exactly h away
  ASSERT_NE(at(3.3), nullptr);
  EXPECT_GT(at(3.3)->value, 2.0);
  // Grid frequencies with nothing within h give no point at all.
  EXPECT_EQ(at(0.0), nullptr);
  EXPECT_EQ(at(30.0), nullptr);
  for (const auto& p : grid) EXPECT_TRUE(p.frequencyHz > 2.5 && p.frequencyHz < 5.0) << p.frequencyHz;
}

TEST(GridAverage, RoundingPointAboveFmaxIsSkipped) {
  ASSERT_GT(GridFrequency(0.1, 2.8, 100), 2.8);
  std::vector<SpectralPoint> points;
  for (int i = 0; i <= 300; ++i) points.push_back({i * 0.01, 1.0, 0});
  const auto grid = GridAverage(points, 0.1, 2.8, InverseSquareKernel(), true);
  ASSERT_EQ(grid.size(), 100u);
  EXPECT_LE(grid.back().frequencyHz, 2.8);
  // A top that is reached exactly is computed.
  EXPECT_EQ(GridAverage(points, 0.0, 2.0, InverseSquareKernel(), true).size(), 101u);
  EXPECT_EQ(GridAverage(points, 0.0, 2.0, InverseSquareKernel(), true).back().frequencyHz, 2.0);
}

TEST(GridAverage, CompanionMeanIsLinear) {
  // Two points at equal distance from 1.0 Hz: equal weights.
  const std::vector<SpectralPoint> points{{0.9, 1.0, 1.0}, {1.1, 4.0, 4.0}};
  for (const AveragingKernel& kernel : {InverseSquareKernel(), InverseDistanceKernel(0.05)}) {
    const auto logGrid = GridAverage(points, 0.0, 10.0, kernel, true);
    const auto linGrid = GridAverage(points, 0.0, 10.0, kernel, false);
    auto atOneHz = [](const std::vector<SpectralPoint>& grid) {
      for (const auto& p : grid)
        if (std::fabs(p.frequencyHz - 1.0) < 1e-12) return p;
      ADD_FAILURE() << "no grid point at 1 Hz";
      return SpectralPoint{};
    };
    EXPECT_NEAR(atOneHz(logGrid).value, 2.0, 1e-12);
    EXPECT_NEAR(atOneHz(logGrid).companion, 2.5, 1e-12);
    EXPECT_NEAR(atOneHz(linGrid).value, 2.5, 1e-12);
    EXPECT_NEAR(atOneHz(linGrid).companion, 2.5, 1e-12);
  }
}

TEST(GridAverage, KernelsAndZeroValues) {
  EXPECT_DOUBLE_EQ(KernelWeight(InverseDistanceKernel(0.1), 0.0), 0.5);
  EXPECT_DOUBLE_EQ(KernelWeight(InverseSquareKernel(), 0.0), 10.0);
  EXPECT_DOUBLE_EQ(KernelHalfWidth(InverseDistanceKernel(0.1), 1.0, 21.0), 1.0);
  EXPECT_DOUBLE_EQ(KernelHalfWidth(InverseSquareKernel(), 1.0, 31.0), 1.0);

  // A zero value is left out of a logarithmic mean; alone it gives no point.
  const std::vector<SpectralPoint> points{{1.0, 0.0, 0}, {1.01, 5.0, 0}};
  const auto grid = GridAverage(points, 1.0, 2.0, InverseDistanceKernel(0.01), true);
  ASSERT_FALSE(grid.empty());
  EXPECT_NEAR(grid[0].value, 5.0, 1e-12);
  EXPECT_TRUE(GridAverage({{1.0, 0.0, 0}}, 0.5, 2.0, InverseSquareKernel(), true).empty());
  EXPECT_TRUE(GridAverage(points, 2.0, 2.0, InverseSquareKernel(), true).empty());
  EXPECT_TRUE(GridAverage(points, 3.0, 2.0, InverseSquareKernel(), true).empty());
}

TEST(GridAverage, AgreesWithLiteralLoopOnScatteredPoints) {
  unsigned state = 12345;
  auto next = [&] {
    state = state * 1103515245u + 12345u;
    return (state >> 8) / double(1 << 24);
  };
  std::vector<SpectralPoint> points;
  for (int i = 0; i < 3000; ++i) points.push_back({next() * 30.0, 0.1 + next() * 10.0, next()});
  for (const AveragingKernel& kernel : {InverseSquareKernel(), InverseDistanceKernel(0.03)})
    for (bool logAveraging : {false, true}) {
      const auto expected = ReferenceGridAverage(points, 1.0, 20.0, kernel, logAveraging);
      const auto actual = GridAverage(points, 1.0, 20.0, kernel, logAveraging);
      ASSERT_EQ(actual.size(), expected.size());
      for (std::size_t k = 0; k < actual.size(); ++k) {
        EXPECT_EQ(actual[k].frequencyHz, expected[k].frequencyHz);
        EXPECT_NEAR(actual[k].value, expected[k].value, 1e-12 * std::fabs(expected[k].value));
        EXPECT_NEAR(actual[k].companion, expected[k].companion, 1e-12 * std::fabs(expected[k].companion));
      }
    }
}
