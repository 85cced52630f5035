#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "forwardreference.h"
#include "inversion/forwardmodel.h"

using namespace corvath::inversion;
using corvath::numerics::arofdoubleM;

namespace {

// True when value rounds to expected at the number of significant digits written.
::testing::AssertionResult RoundsTo(double value, double expected, int digits) {
  const double unit = std::pow(10.0, std::floor(std::log10(std::fabs(expected))) - digits + 1);
  if (std::fabs(value - expected) <= 0.5 * unit) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << value << " does not round to " << expected;
}

// One layer (20 m) over a half-space; S- or P-wave values.
struct OneLayer {
  arofdoubleM V{0.2, 1.0};
  arofdoubleM rho{1.8, 2.0};
  arofdoubleM H{20.0, 5.0};
  arofdoubleM Q0{10.0, 7.0};
};

OneLayer PWave() {
  OneLayer p;
  p.V = {0.5, 2.0};
  p.Q0 = {20.0, 7.0};
  return p;
}

double At(const OneLayer& m, double alpha, double fref, double f) {
  arofdoubleM T;
  TransferFunction(m.V, m.rho, m.H, m.Q0, alpha, fref, {f}, T);
  EXPECT_EQ(T.size(), 1u);
  return T.at(0);
}

}  // namespace

TEST(TransferFunction, ReproducesTheOneLayerExamples) {
  struct Case {
    const char* what;
    OneLayer model;
    double alpha, fref, f, expected;
    int digits;
  };
  OneLayer stiffQ;
  stiffQ.Q0 = {500.0, 7.0};
  const Case cases[] = {
      {"S at resonance 2.5 Hz", OneLayer{}, 0, 0, 2.5, 3.8657, 5},
      {"S at 1 Hz", OneLayer{}, 0, 0, 1.0, 1.2222, 5},
      {"S at 5 Hz", OneLayer{}, 0, 0, 5.0, 0.96103, 5},
      {"P at 2.5 Hz", PWave(), 0, 0, 2.5, 1.2181, 5},
      {"S, Q0 500, 2.5 Hz", stiffQ, 0, 0, 2.5, 5.5075, 5},
      {"S, alpha 0.1, 1 Hz", OneLayer{}, 0.1, 0, 1.0, 1.2222, 5},
      {"S, alpha 0.1, 2.5 Hz", OneLayer{}, 0.1, 0, 2.5, 3.9715, 5},
      {"S, alpha 0.1, fref 1, 1 Hz", OneLayer{}, 0.1, 1, 1.0, 1.2222, 5},
      {"S, alpha 0.1, fref 1, 3 Hz", OneLayer{}, 0.1, 1, 3.0, 2.6906, 5},
      {"S, alpha 0.1, 3 Hz", OneLayer{}, 0.1, 0, 3.0, 2.4454, 5},
  };
  for (const Case& c : cases) EXPECT_TRUE(RoundsTo(At(c.model, c.alpha, c.fref, c.f), c.expected, c.digits)) << c.what;
  // The elastic limit 1/a_0 = 2.0 / 0.36 is approached from below.
  EXPECT_LT(At(stiffQ, 0, 0, 2.5), 2.0 / 0.36);
}

TEST(TransferFunction, HalfSpaceThicknessAndQualityHaveNoInfluence) {
  const OneLayer base;
  OneLayer other = base;
  other.H[1] = 987.0;
  other.Q0[1] = 1.0;
  const arofdoubleM f{0.5, 1.0, 2.5, 7.0, 19.0};
  for (double fref : {0.0, 1.0}) {
    arofdoubleM a, b;
    TransferFunction(base.V, base.rho, base.H, base.Q0, 0.1, fref, f, a);
    TransferFunction(other.V, other.rho, other.H, other.Q0, 0.1, fref, f, b);
    EXPECT_EQ(a, b) << "fref " << fref;
  }
}

TEST(TransferFunction, EmptyFrequencyListGivesEmptyResult) {
  const OneLayer m;
  arofdoubleM T{1.0, 2.0};
  TransferFunction(m.V, m.rho, m.H, m.Q0, 0.1, 1.0, {}, T);
  EXPECT_TRUE(T.empty());
}

TEST(TransferFunction, RejectsMalformedLayerArrays) {
  arofdoubleM T{4.0};
  EXPECT_THROW(TransferFunction({1.0}, {1.0}, {1.0}, {1.0}, 0, 0, {1.0}, T), ForwardModelError);
  EXPECT_THROW(TransferFunction({1.0, 2.0}, {1.0}, {1.0, 1.0}, {1.0, 1.0}, 0, 0, {1.0}, T), ForwardModelError);
  EXPECT_EQ(T, arofdoubleM{4.0});
}

TEST(FrequencyPower, FollowsThePowerRules) {
  struct Case {
    double base, exponent, expected;
  };
  const Case cases[] = {
      {0.0, 0.0, 1.0},          // exponent 0 gives 1, even for base 0
      {-3.0, 0.0, 1.0},         // ... and for a negative base
      {0.0, 0.1, 0.0},          // base 0, positive exponent
      {2.0, 10.0, 1024.0},      // integral: repeated squaring
      {-2.0, 3.0, -8.0},        // integral exponents accept negative bases
      {2.0, -2.0, 0.25},        // negative integral: reciprocal
      {1.1, 3.0, 1.1 * (1.1 * 1.1)},  // the squaring order of 1.1^3
      {2.5, 0.1, std::exp(0.1 * std::log(2.5))},
  };
  for (const Case& c : cases) EXPECT_EQ(FrequencyPower(c.base, c.exponent), c.expected) << c.base << "^" << c.exponent;
  EXPECT_TRUE(std::isinf(FrequencyPower(2.0, 123456789.0)));
  EXPECT_EQ(FrequencyPower(0.5, 123456789.0), 0.0);
  EXPECT_TRUE(std::isnan(FrequencyPower(-2.0, 0.1)));
}

TEST(TransferFunction, FaultsThrowTheRuntimeMessageAndLeaveTheResult) {
  struct Case {
    const char* what;
    OneLayer model;
    double alpha, fref;
    arofdoubleM f;
    const char* message;
  };
  OneLayer zeroVelocity;
  zeroVelocity.V[0] = 0.0;
  OneLayer zeroQ;
  zeroQ.Q0[0] = 0.0;
  OneLayer zeroDensityBelow;
  zeroDensityBelow.rho[1] = 0.0;
  OneLayer nanDensity;
  nanDensity.rho[0] = std::nan("");
  const Case cases[] = {
      {"frequency 0 with alpha > 0: Q = 0", OneLayer{}, 0.1, 0, {1.0, 0.0}, kDivisionByZero},
      {"frequency 0 with dispersion: ln 0", OneLayer{}, 0.0, 1.0, {1.0, 0.0}, kDivisionByZero},
      {"negative frequency in the power", OneLayer{}, 0.1, 0, {1.0, -1.0}, kInvalidOperation},
      {"negative frequency in the logarithm", OneLayer{}, 0.0, 1.0, {-2.0}, kInvalidOperation},
      {"invalid K degree above 1 Hz overflows", OneLayer{}, 123456789.0, 0, {1.0, 2.0}, kOverflow},
      {"invalid K degree below 1 Hz makes Q zero", OneLayer{}, 123456789.0, 0, {0.5, 1.0}, kDivisionByZero},
      {"the power overflows before Q vanishes", OneLayer{}, 123456789.0, 0, {0.5, 2.0}, kOverflow},
      {"large non-integral power", OneLayer{}, 150.5, 0, {100.0}, kOverflow},
      {"zero velocity", zeroVelocity, 0.0, 0, {1.0}, kDivisionByZero},
      {"zero quality factor", zeroQ, 0.0, 0, {1.0}, kDivisionByZero},
      {"zero density below", zeroDensityBelow, 0.0, 0, {1.0}, kDivisionByZero},
      {"not-a-number density", nanDensity, 0.0, 0, {1.0}, kInvalidOperation},
  };
  for (const Case& c : cases) {
    arofdoubleM T{42.0};
    TransferScratch scratch;
    try {
      TransferFunction(c.model.V, c.model.rho, c.model.H, c.model.Q0, c.alpha, c.fref, c.f, T, scratch);
      ADD_FAILURE() << c.what << ": no fault";
    } catch (const ForwardModelError& e) {
      EXPECT_STREQ(e.what(), c.message) << c.what;
    }
    EXPECT_EQ(T, arofdoubleM{42.0}) << c.what;
    // The scratch stays usable after a fault.
    const OneLayer good;
    TransferFunction(good.V, good.rho, good.H, good.Q0, 0.0, 0.0, {2.5}, T, scratch);
    EXPECT_TRUE(RoundsTo(T.at(0), 3.8657, 5)) << c.what;
  }
}

TEST(TransferFunction, ZeroFrequencyWithoutPowerOrLogarithmIsTheStaticResponse) {
  // Neither the power (alpha = 0) nor the logarithm (no dispersion) is evaluated:
  // no fault arises and the surface moves with the half-space.
  const OneLayer m;
  arofdoubleM T;
  TransferFunction(m.V, m.rho, m.H, m.Q0, 0.0, 0.0, {0.0}, T);
  EXPECT_NEAR(T.at(0), 1.0, 1e-12);
}

// ---- Bit identity with the plain evaluation ------------------------------------

namespace {

struct Layers {
  arofdoubleM V, rho, H, Q0;
};

Layers RandomLayers(std::mt19937_64& rng, int n, bool shear) {
  std::uniform_real_distribution<double> u(0.0, 1.0);
  const auto logUniform = [&](double lo, double hi) { return lo * std::pow(hi / lo, u(rng)); };
  Layers l;
  for (int i = 0; i < n; ++i) {
    l.V.push_back(shear ? logUniform(0.01, 6.0) : logUniform(0.1, 8.0));
    l.rho.push_back(logUniform(0.5, 6.0));
    l.H.push_back(logUniform(0.1, 1000.0));
    l.Q0.push_back(shear ? logUniform(1.0, 200.0) : logUniform(5.0, 500.0));
  }
  return l;
}

arofdoubleM Grid(double fmin, double fmax) {
  arofdoubleM f;
  for (int k = 0; k <= 100; ++k) f.push_back(((fmax - fmin) * k) / 100 + fmin);
  return f;
}

void ExpectSameBits(const arofdoubleM& actual, const arofdoubleM& expected, const std::string& what) {
  ASSERT_EQ(actual.size(), expected.size()) << what;
  for (std::size_t j = 0; j < actual.size(); ++j)
    ASSERT_EQ(actual[j], expected[j]) << what << ", frequency index " << j;
}

// Within the reference tolerance, relative to the reference value.
void ExpectClose(const arofdoubleM& actual, const arofdoubleM& expected, const std::string& what) {
  ASSERT_EQ(actual.size(), expected.size()) << what;
  for (std::size_t j = 0; j < actual.size(); ++j)
    ASSERT_LE(std::fabs(actual[j] - expected[j]), reference::kReferenceTolerance * std::fabs(expected[j]))
        << what << ", frequency index " << j << ": " << actual[j] << " against " << expected[j];
}

}  // namespace

TEST(TransferFunction, MatchesThePlainEvaluationAndReuseChangesNoBit) {
  struct Setting {
    double alpha, fref;
    int layers;
    double fmin, fmax;
  };
  const Setting settings[] = {
      {0.0, 0.0, 10, 1, 20},     {0.1, 0.0, 10, 1, 20},  {0.1, 1.0, 10, 1, 20}, {0.0, 3.7, 6, 0.2, 50},
      {1.0, 0.0, 2, 0.5, 100},   {2.0, 0.0, 5, 1, 20},   {-0.5, 2.0, 8, 1, 30}, {0.37, 123456789.0, 10, 1, 20},
      {0.0, 0.0, 2, 0.01, 0.02}, {0.9, 5.0, 3, 1, 100},
  };
  std::mt19937_64 rng(7);
  for (const Setting& s : settings) {
    const arofdoubleM f = Grid(s.fmin, s.fmax);
    TransferScratch scratch;  // reused across the models of one setting
    for (int trial = 0; trial < 20; ++trial) {
      Layers l = RandomLayers(rng, s.layers, trial % 2 == 0);
      if (trial % 3 == 0) l.Q0.assign(l.Q0.size(), l.Q0[0]);  // equal quality factors, as generated
      const std::string what = "alpha " + std::to_string(s.alpha) + ", fref " + std::to_string(s.fref) +
                               ", " + std::to_string(s.layers) + " layers, trial " + std::to_string(trial);
      arofdoubleM fresh, reused;
      TransferFunction(l.V, l.rho, l.H, l.Q0, s.alpha, s.fref, f, fresh);
      TransferFunction(l.V, l.rho, l.H, l.Q0, s.alpha, s.fref, f, reused, scratch);
      const arofdoubleM expected = reference::TransferFunction(l.V, l.rho, l.H, l.Q0, s.alpha, s.fref, f);
      ExpectClose(fresh, expected, what);
      ExpectSameBits(reused, fresh, what + " (scratch)");
    }
  }
}

TEST(TransferFunction, ReusedScratchFollowsEveryKindOfChange) {
  // The steps of an inversion: one value changed at a time, the exponent and the
  // reference frequency changed, layers added and removed, the frequencies changed.
  std::mt19937_64 rng(11);
  std::uniform_int_distribution<int> pick(0, 100);
  Layers l = RandomLayers(rng, 10, true);
  double alpha = 0.1, fref = 0.0;
  arofdoubleM f = Grid(1, 20);
  TransferScratch scratch;
  for (int step = 0; step < 300; ++step) {
    const int what = pick(rng);
    const std::size_t layer = pick(rng) % l.V.size();
    const double factor = 1.0 + (pick(rng) - 50) / 500.0;
    if (what < 20) l.V[layer] *= factor;
    else if (what < 35) l.H[layer] *= factor;
    else if (what < 50) l.Q0[layer] *= factor;
    else if (what < 60) l.rho[layer] *= factor;
    else if (what < 68) alpha = pick(rng) < 30 ? 0.0 : alpha * factor + 0.01;
    else if (what < 76) fref = pick(rng) < 50 ? 0.0 : 1.0 + pick(rng) / 10.0;
    else if (what < 80 && l.V.size() > 2) {
      l.V.pop_back(); l.rho.pop_back(); l.H.pop_back(); l.Q0.pop_back();
    } else if (what < 84 && l.V.size() < 10) {
      const Layers extra = RandomLayers(rng, 1, true);
      l.V.push_back(extra.V[0]); l.rho.push_back(extra.rho[0]); l.H.push_back(extra.H[0]); l.Q0.push_back(extra.Q0[0]);
    } else if (what < 88) f = Grid(0.5 + pick(rng) / 100.0, 25);
    // otherwise: the same model again
    arofdoubleM T, fresh;
    TransferFunction(l.V, l.rho, l.H, l.Q0, alpha, fref, f, T, scratch);
    TransferFunction(l.V, l.rho, l.H, l.Q0, alpha, fref, f, fresh);
    ExpectSameBits(T, fresh, "step " + std::to_string(step));
    ExpectClose(T, reference::TransferFunction(l.V, l.rho, l.H, l.Q0, alpha, fref, f),
                "step " + std::to_string(step));
  }
}
