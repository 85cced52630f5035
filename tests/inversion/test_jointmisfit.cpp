// The joint misfit of an H/V curve and a dispersion curve, with a stand-in for the modal
// engine: a fundamental mode whose phase velocity falls from the half-space's Vs to the top
// layer's, and a first higher mode that exists only above a cut-off frequency.
#include "inversion/jointmisfit.h"

#include <gtest/gtest.h>

#include <cmath>

#include "inversionfixtures.h"

using namespace corvath::inversion;
using namespace corvath::inversion::testing;

namespace {

// Phase velocities (m/s) of a two-layer stand-in: mode 0 at every frequency, mode 1 above
// Vs_top / (2 H) Hz only; Love waves 5 % slower.
PhaseVelocityFunction StubEngine() {
  return [](const amodel& m, const std::vector<DispersionPoint>& at) {
    std::vector<std::optional<double>> c;
    const double top = 1000.0 * m.values[kVs][0], bottom = 1000.0 * m.values[kVs][1], h = m.values[kH][0];
    for (const DispersionPoint& p : at) {
      const double f0 = top / (4.0 * h);
      if (p.mode == 1 && p.frequencyHz < 2.0 * f0) {
        c.push_back(std::nullopt);
        continue;
      }
      const double x = p.frequencyHz / f0;
      double v = top + (bottom - top) / (1.0 + x * x);
      if (p.wave == SurfaceWave::Love) v *= 0.95;
      c.push_back(v);
    }
    return c;
  };
}

amodel TwoLayers(double h, double vsTop, double vsBottom) {
  amodel m;
  ResetModel(m, ModelTables{}, 2);
  m.values[kH][0] = h;
  m.values[kVs][0] = vsTop;
  m.values[kVs][1] = vsBottom;
  return m;
}

// The curve of a model under the stand-in, with sigma 3 % of the velocity.
DispersionCurve CurveOf(const amodel& m, const std::vector<DispersionPoint>& where) {
  const auto c = StubEngine()(m, where);
  DispersionCurve curve;
  for (std::size_t i = 0; i < where.size(); ++i) {
    DispersionPoint p = where[i];
    p.phaseMS = *c[i];
    p.sigmaMS = 0.03 * p.phaseMS;
    curve.points.push_back(p);
  }
  return curve;
}

}  // namespace

TEST(JointMisfit, DispersionPartIsTheRootMeanSquareInSigmasAndAMissingModeIsAMiss) {
  const amodel truth = TwoLayers(20.0, 0.25, 0.8);  // f0 = 3.125 Hz, mode 1 from 6.25 Hz
  const std::vector<DispersionPoint> where{{SurfaceWave::Rayleigh, 0, 1.0, 0, 0},
                                           {SurfaceWave::Rayleigh, 0, 5.0, 0, 0},
                                           {SurfaceWave::Love, 0, 3.0, 0, 0},
                                           {SurfaceWave::Rayleigh, 1, 10.0, 0, 0}};
  const DispersionCurve observed = CurveOf(truth, where);
  const PhaseVelocityFunction engine = StubEngine();
  EXPECT_EQ(DispersionMisfit(observed, engine(truth, observed.points)), 0.0);

  // Every computed velocity 3 % high at a 3 % sigma: one sigma everywhere.
  std::vector<std::optional<double>> high = engine(truth, observed.points);
  for (std::size_t i = 0; i < high.size(); ++i) *high[i] = observed.points[i].phaseMS + observed.points[i].sigmaMS;
  EXPECT_NEAR(DispersionMisfit(observed, high), 1.0, 1e-12);

  // A thinner top layer moves mode 1's cut-off to 25 Hz: the point at 10 Hz is a miss of 10 sigma.
  const amodel thin = TwoLayers(5.0, 0.25, 0.8);
  const auto computed = engine(thin, observed.points);
  ASSERT_FALSE(computed[3]);
  double sum = 0.0;
  for (std::size_t i = 0; i < 3; ++i) {
    const double r = (observed.points[i].phaseMS - *computed[i]) / observed.points[i].sigmaMS;
    sum += r * r;
  }
  sum += kMissingModeResidual * kMissingModeResidual;
  EXPECT_NEAR(DispersionMisfit(observed, computed), std::sqrt(sum / 4.0), 1e-12);
  // A velocity that is no number is a miss as well; no point, no misfit.
  std::vector<std::optional<double>> broken = engine(truth, observed.points);
  broken[0] = std::nan("");
  EXPECT_NEAR(DispersionMisfit(observed, broken), std::sqrt(100.0 / 4.0), 1e-12);
  EXPECT_EQ(DispersionMisfit(DispersionCurve{}, {}), 0.0);
}

TEST(JointMisfit, PartsAreCombinedByTheWeightAndBalancedByTheirPoints) {
  EXPECT_DOUBLE_EQ(BalancedDispersionWeight(60, 20), 0.75);
  EXPECT_EQ(BalancedDispersionWeight(60, 0), 0.0);
  const JointMisfit joint = CombineMisfits(0.04, 2.0, 0.25);
  EXPECT_EQ(joint.hv, 0.04);
  EXPECT_EQ(joint.dispersion, 2.0);
  EXPECT_DOUBLE_EQ(joint.total, 0.75 * 0.04 + 0.25 * 2.0);
  EXPECT_EQ(CombineMisfits(0.04, 2.0, 0.0).total, 0.04);  // w = 0: the H/V misfit as today
}
