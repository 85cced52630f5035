// The Markov chains of the ensemble: they sample a known posterior, keep every model
// physical (Vp >= sqrt(2) Vs, Poisson's ratio drawn within its range), repeat for a seed;
// and the H/V likelihood's standard deviations and Vs30.
#include "inversion/posteriorsampler.h"

#include <gtest/gtest.h>

#include <cmath>

#include "inversion/vs30.h"
#include "inversionfixtures.h"

using namespace corvath::inversion;
using namespace corvath::inversion::testing;

namespace {

// Layer 1's Vs free in [0.1, 0.4] km/s and H free in [10, 30] m.
InversionState FreeState() {
  InversionState state = SmallState();
  state.model.invertFlags[kVs][0] = state.model.invertFlags[kH][0] = true;
  state.model.layerLimits[kVs][0] = {0.1, 0.4};
  state.model.layerLimits[kH][0] = {10.0, 30.0};
  return state;
}

InversionSettings FixedK() {
  InversionSettings settings;
  settings.OptimizeDispersionExponent = false;
  return settings;
}

double Mean(const std::vector<double>& v) {
  double s = 0.0;
  for (double x : v) s += x;
  return s / static_cast<double>(v.size());
}

double StandardDeviation(const std::vector<double>& v) {
  const double m = Mean(v);
  double s = 0.0;
  for (double x : v) s += (x - m) * (x - m);
  return std::sqrt(s / static_cast<double>(v.size() - 1));
}

}  // namespace

TEST(PosteriorSampler, SamplesAKnownGaussianPosteriorAndRepeatsForASeed) {
  // chi2 = ((Vs - 0.25) / 0.02)^2 + ((H - 20) / 3)^2: the kept models must have those means and spreads.
  const StateFitFactory gaussian = [] {
    return [](const InversionState& s) {
      const double a = (s.model.values[kVs][0] - 0.25) / 0.02, b = (s.model.values[kH][0] - 20.0) / 3.0;
      return StateFit{a * a + b * b, a * a + b * b};
    };
  };
  const std::vector<InversionState> starts(4, FreeState());
  RecordingProgress progress;
  SamplerSettings sampler;
  sampler.steps = 8000;
  const PosteriorOutcome out = SamplePosterior(starts, ModelTables{}, FixedK(), gaussian, sampler, 7, progress);
  ASSERT_EQ(out.end, InversionEnd::Completed);
  ASSERT_EQ(out.models.size(), 4u * ((8000 + 5) / 6));  // every 6th state after the burn-in
  std::vector<double> vs, h;
  for (const AcceptedModel& m : out.models) {
    vs.push_back(m.values[kVs][0]);
    h.push_back(m.values[kH][0]);
    EXPECT_EQ(m.values[kVs][1], 0.5);  // fixed values stay
  }
  EXPECT_NEAR(Mean(vs), 0.25, 0.004);
  EXPECT_NEAR(StandardDeviation(vs), 0.02, 0.003);
  EXPECT_NEAR(Mean(h), 20.0, 0.6);
  EXPECT_NEAR(StandardDeviation(h), 3.0, 0.45);
  EXPECT_GT(out.acceptance, 0.2);
  EXPECT_LT(out.bestFit.misfit, 0.05);
  EXPECT_EQ(progress.percents.back(), 100);

  // The same seed, the same models whatever the worker count.
  sampler.workers = 1;
  RecordingProgress again;
  const PosteriorOutcome repeated = SamplePosterior(starts, ModelTables{}, FixedK(), gaussian, sampler, 7, again);
  ASSERT_EQ(repeated.models.size(), out.models.size());
  for (std::size_t k = 0; k < out.models.size(); ++k) ASSERT_EQ(repeated.models[k].values, out.models[k].values) << k;
}

TEST(PosteriorSampler, ModelsStayPhysicalAndAPoissonLayerDrawsItsRatio) {
  // Layer 1: Vs free in [0.1, 0.4], Vp from Poisson's ratio in [0.2, 0.3]; layer 2: Vs free in
  // [0.3, 1.2] under a fixed Vp 1.2, so that Vp >= sqrt(2) Vs caps it at 0.85; a flat likelihood.
  InversionState start = FreeState();
  start.model.invertFlags[kVp][0] = true;
  start.model.invertFlags[kVs][1] = true;
  start.model.layerLimits[kVs][1] = {0.3, 1.2};
  start.model.values[kVs][1] = 1.1;  // a start that breaks the rule is moved into it
  SamplerSettings sampler;
  sampler.steps = 3000;
  sampler.poissonRanges = {corvath::numerics::Complex{0.2, 0.3}};
  const StateFitFactory flat = [] { return [](const InversionState&) { return StateFit{0.0, 0.0}; }; };
  RecordingProgress progress;
  const PosteriorOutcome out =
      SamplePosterior({start, start}, ModelTables{}, FixedK(), flat, sampler, 1, progress);
  ASSERT_FALSE(out.models.empty());
  double highest = 0.0;
  for (const AcceptedModel& m : out.models) {
    const double vp = m.values[kVp][0], vs = m.values[kVs][0];
    const double nu = (vp * vp - 2 * vs * vs) / (2 * (vp * vp - vs * vs));
    EXPECT_GE(nu, 0.2 - 1e-9);
    EXPECT_LE(nu, 0.3 + 1e-9);
    EXPECT_GE(vs, 0.1);
    EXPECT_LE(vs, 0.4);
    EXPECT_GE(m.values[kVp][1], std::sqrt(2.0) * m.values[kVs][1] * (1 - 1e-12));
    highest = std::max(highest, m.values[kVs][1]);
  }
  EXPECT_GT(highest, 0.8);  // the chains reach the cap
}

TEST(PosteriorSampler, LogRatioSigmasComeFromTheBoundsWithinTheBand) {
  corvath::spectra::RatioCurve observed;
  observed.hasBounds = true;
  observed.points = {{0.5, 2.0, 1.0, 4.0}, {2.0, 2.0, 2.0 / 1.1, 2.2}, {3.0, 2.0, 2.0, 2.0}, {30.0, 2.0, 1.0, 4.0}};
  const auto sigmas = LogRatioSigmas(observed, InversionSettings{});  // band 1 to 20 Hz
  ASSERT_EQ(sigmas.size(), 4u);
  EXPECT_EQ(sigmas[0], 0.0);
  EXPECT_NEAR(sigmas[1], 0.5 * std::log(1.21), 1e-12);
  EXPECT_EQ(sigmas[2], kDefaultLogRatioSigma);  // no spread: the default
  EXPECT_EQ(sigmas[3], 0.0);
  const corvath::numerics::arofcomplexM curve{{0.5, 9.0}, {2.0, 2.0 * 1.1}, {3.0, 200.0}, {30.0, 1.0}};
  EXPECT_NEAR(LogRatioChiSquare(curve, observed, sigmas), 1.0, 1e-12);  // one sigma at 2 Hz; 200 is above the ceiling
}

TEST(PosteriorSampler, Vs30IsTheTimeAverageOfTheTop30Metres) {
  InversionState s = SmallState();  // 20 m of 0.2 km/s, 30 m of 0.5 km/s, half-space 1.0 km/s
  EXPECT_NEAR(TimeAveragedVs(s.model.values), 30.0 / (20.0 / 200.0 + 10.0 / 500.0), 1e-9);
  s.model.values[kH][0] = 40.0;
  EXPECT_NEAR(TimeAveragedVs(s.model.values), 200.0, 1e-9);
  s.model.values[kH] = {5.0, 10.0, 0.0};  // the half-space from 15 m
  EXPECT_NEAR(TimeAveragedVs(s.model.values), 30.0 / (5.0 / 200.0 + 10.0 / 500.0 + 15.0 / 1000.0), 1e-9);
}
