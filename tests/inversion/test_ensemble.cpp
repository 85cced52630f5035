// The ensemble of a global search and what is read from it: which models belong,
// percentiles, the Vs profile band and the spread of the curves.
#include "inversion/ensemble.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "inversionfixtures.h"

using namespace corvath::inversion;
using namespace corvath::inversion::testing;
using corvath::numerics::arofcomplexM;

namespace {

// A model of the small fixture with the given top-layer thickness and Vs.
AcceptedModel Model(double misfit, double topH = 20.0, double topVs = 0.2) {
  InversionState state = SmallState();
  state.model.values[kH][0] = topH;
  state.model.values[kVs][0] = topVs;
  return {state.model.values, 0.0, 0.1, misfit};
}

// A chain whose best state is its accepted model of bestMisfit (the start when none has it).
GlobalSearchChain Chain(double bestMisfit, const std::vector<double>& acceptedMisfits) {
  GlobalSearchChain chain;
  chain.best = SmallState();
  chain.best.model.values[kVs][0] = 0.3;  // the start
  chain.bestMisfit = bestMisfit;
  for (double misfit : acceptedMisfits) {
    chain.accepted.push_back(Model(misfit));
    if (misfit == bestMisfit) chain.best.model.values = chain.accepted.back().values;
  }
  return chain;
}

std::vector<double> Misfits(const std::vector<AcceptedModel>& models) {
  std::vector<double> out;
  for (const AcceptedModel& m : models) out.push_back(m.misfit);
  return out;
}

}  // namespace

TEST(Ensemble, HoldsTheAcceptedModelsWithinTheToleranceInChainOrder) {
  const std::vector<GlobalSearchChain> chains = {Chain(0.5, {0.9, 0.6, 0.5}), Chain(0.4, {1.0, 0.48, 0.4, 0.41}),
                                                 Chain(2.0, {3.0, 2.0})};
  EXPECT_EQ(Misfits(SelectEnsemble(chains, 1, 0.2)), (std::vector<double>{0.48, 0.4, 0.41}));
  EXPECT_EQ(Misfits(SelectEnsemble(chains, 1, 0.5)), (std::vector<double>{0.6, 0.5, 0.48, 0.4, 0.41}));
  EXPECT_EQ(Misfits(SelectEnsemble(chains, 1, 0.0)), (std::vector<double>{0.4}));
  // No proposal beat the start: the start leads its chain's models.
  const std::vector<AcceptedModel> alone = SelectEnsemble({Chain(0.7, {})}, 0, 0.2);
  ASSERT_EQ(alone.size(), 1u);
  EXPECT_EQ(alone[0].misfit, 0.7);
  EXPECT_EQ(alone[0].values[kVs][0], 0.3);
  const std::vector<AcceptedModel> started = SelectEnsemble({Chain(0.5, {0.9, 0.6}), Chain(0.7, {0.55})}, 0, 0.2);
  EXPECT_EQ(Misfits(started), (std::vector<double>{0.5, 0.6, 0.55}));
  EXPECT_EQ(started[0].values[kVs][0], 0.3);
}

TEST(Ensemble, PercentilesInterpolateBetweenOrderStatistics) {
  struct Case {
    std::vector<double> values;
    double p, expected;
  };
  const Case cases[] = {
      {{}, 0.5, 0.0},          {{3.0}, 0.05, 3.0},          {{4.0, 1.0, 3.0, 2.0}, 0.0, 1.0},
      {{4.0, 1.0, 3.0, 2.0}, 1.0, 4.0}, {{4.0, 1.0, 3.0, 2.0}, 0.5, 2.5}, {{10.0, 0.0}, 0.05, 0.5},
      {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, 0.95, 10.5},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(Percentile(c.values, c.p), c.expected) << c.p;
}

TEST(Ensemble, ProfileBandIsOrderedAndFollowsTheLayers) {
  // Vs at a layer's top belongs to that layer; below the last interface, the half-space.
  const AcceptedModel one = Model(1.0);  // H 20, 30 over the half-space; Vs 0.2, 0.5, 1.0
  EXPECT_EQ(ShearVelocityAt(one.values, 0.0), 0.2);
  EXPECT_EQ(ShearVelocityAt(one.values, 19.999), 0.2);
  EXPECT_EQ(ShearVelocityAt(one.values, 20.0), 0.5);
  EXPECT_EQ(ShearVelocityAt(one.values, 50.0), 1.0);
  EXPECT_EQ(DepthToHalfSpace(one.values), 50.0);

  std::mt19937 random(3);
  std::uniform_real_distribution<double> thickness(10.0, 30.0), velocity(0.1, 0.4);
  std::vector<AcceptedModel> ensemble;
  for (int k = 0; k < 200; ++k) ensemble.push_back(Model(1.0, thickness(random), velocity(random)));
  const ProfileBand band = VsProfileBand(ensemble, 75.0);
  ASSERT_EQ(band.depth.size(), static_cast<std::size_t>(kProfileDepths));
  EXPECT_EQ(band.depth.front(), 0.0);
  EXPECT_EQ(band.depth.back(), 75.0);
  for (std::size_t k = 0; k < band.depth.size(); ++k) {
    EXPECT_LE(band.p05[k], band.p50[k]) << band.depth[k];
    EXPECT_LE(band.p50[k], band.p95[k]) << band.depth[k];
  }
  EXPECT_GT(band.p95[0] - band.p05[0], 0.2);  // the top layer's Vs spread
  EXPECT_EQ(band.p05.back(), 1.0);            // every model in its half-space at 75 m
  EXPECT_EQ(band.p95.back(), 1.0);
}

TEST(Ensemble, CurveBandAndPeaks) {
  const std::vector<arofcomplexM> curves = {
      {{1.0, 1.0}, {2.0, 4.0}, {3.0, 2.0}}, {{1.0, 2.0}, {2.0, 3.0}, {3.0, 3.0}}, {{1.0, 3.0}, {2.0, 2.0}, {3.0, 5.0}}};
  EXPECT_EQ(PeakFrequency(curves[0]), 2.0);
  EXPECT_EQ(PeakFrequency(curves[2]), 3.0);
  EXPECT_EQ(PeakFrequency({{1.0, 2.0}, {2.0, 2.0}}), 1.0);  // the first of equal heights
  EXPECT_EQ(PeakFrequency({}), 0.0);
  arofcomplexM lower, upper;
  CurveBand(curves, lower, upper);
  ASSERT_EQ(lower.size(), 3u);
  ASSERT_EQ(upper.size(), 3u);
  for (std::size_t j = 0; j < 3; ++j) {
    EXPECT_EQ(lower[j].re, curves[0][j].re);
    EXPECT_LT(lower[j].im, upper[j].im);
  }
  EXPECT_DOUBLE_EQ(lower[0].im, 1.1);
  EXPECT_DOUBLE_EQ(upper[0].im, 2.9);
  const Spread spread = SpreadOf({3.0, 1.0, 2.0});
  EXPECT_DOUBLE_EQ(spread.p05, 1.1);
  EXPECT_DOUBLE_EQ(spread.p50, 2.0);
  EXPECT_DOUBLE_EQ(spread.p95, 2.9);
}
