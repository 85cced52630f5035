#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "inversion/curveevaluator.h"
#include "inversion/globalsearch.h"
#include "inversion/randomgenerator.h"
#include "inversionfixtures.h"
#include "numerics/numbertext.h"

using namespace corvath::inversion;
using namespace corvath::inversion::testing;
using corvath::numerics::arofcomplexM;
using corvath::numerics::Complex;
using corvath::numerics::InvalidNumber;
using corvath::numerics::RoundHalfEven;
using corvath::spectra::RatioCurve;

namespace {

InversionSettings BandSettings(bool optimizeReference = false, bool optimizeExponent = false) {
  InversionSettings settings;
  settings.GlobalSearch = true;
  settings.MinFrequency = 0.5;
  settings.MaxFrequency = 20.0;
  settings.OptimizeReferenceFrequency = optimizeReference;
  settings.OptimizeDispersionExponent = optimizeExponent;
  return settings;
}

InversionState Truth() {
  InversionState truth = SmallState();
  truth.model.values[kH][0] = 25.0;
  truth.model.values[kVs][0] = 0.18;
  return truth;
}

// A fixed sequence of uniform integers, repeated.
struct Sequence {
  std::vector<std::uint32_t> values;
  std::size_t next = 0;
  std::uint32_t operator()() { return values[next++ % values.size()]; }
};

double Misfit(const InversionState& state, const RatioCurve& observed, const std::vector<double>& frequencies) {
  SyntheticEvaluator evaluator;
  evaluator.frequencies = frequencies;
  arofcomplexM curve;
  evaluator(state.model, state.referenceFrequency, state.dispersionExponent, curve);
  return GlobalSearchMisfit(curve, observed, ComputeBandWeights(observed, BandSettings()));
}

}  // namespace

TEST(RandomGenerator, FixedSeedRepeatsAndStaysInRange) {
  SeedRandomGenerator(42);
  std::vector<std::uint32_t> first(1000);
  for (auto& x : first) x = RandomInteger();
  SeedRandomGenerator(42);
  for (std::size_t i = 0; i < first.size(); ++i) ASSERT_EQ(RandomInteger(), first[i]) << "draw " << i;
  for (std::uint32_t x : first) EXPECT_LE(x, kRandomIntegerMax);
  SeedRandomGenerator(43);
  EXPECT_NE(RandomInteger(), first[0]);
  EXPECT_GT(std::set<std::uint32_t>(first.begin(), first.end()).size(), 990u);
}

TEST(VfsaDraw, FollowsTheGeneratingFunction) {
  struct Case {
    const char* name;
    double lo, hi, centre, temperature;
    std::vector<std::uint32_t> draws;
    double expected;
  };
  const double t = 0.5;
  // u = 0.75: y = T ((1 + 1/T)^0.5 - 1); u = 0.25: the same with the sign turned.
  const double y = t * (std::pow(1.0 + 1.0 / t, 0.5) - 1.0);
  const Case cases[] = {
      {"u = 0.5 keeps the centre", 0.0, 10.0, 4.0, t, {500000000}, 4.0},
      {"u above 0.5 moves up", 0.0, 10.0, 4.0, t, {750000000}, 4.0 + 10.0 * y},
      {"u below 0.5 moves down", 0.0, 10.0, 4.0, t, {250000000}, 4.0 - 10.0 * y},
      {"a draw outside the range is repeated", 0.0, 10.0, 9.0, t, {999999999, 500000000}, 9.0},
      {"a centre outside the range is clamped", 2.0, 3.0, 7.0, t, {500000000}, 3.0},
      {"a centre without value is clamped to the lower end", 2.0, 3.0, -std::numeric_limits<double>::infinity(), t,
       {500000000}, 2.0},
      {"equal ends give that end", 2.5, 2.5, 9.0, t, {1}, 2.5},
      {"lower above upper gives the end nearer the centre", 4.0, 2.0, 1.0, t, {1}, 2.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Sequence sequence{c.draws};
    EXPECT_DOUBLE_EQ(VfsaDraw(c.lo, c.hi, c.centre, c.temperature, std::ref(sequence)), c.expected);
  }
  // At the smallest positive temperature the draw still gives a value in range.
  Sequence sequence{{123456789, 876543210}};
  const double x = VfsaDraw(1.0, 2.0, 1.5, std::numeric_limits<double>::min(), std::ref(sequence));
  EXPECT_GE(x, 1.0);
  EXPECT_LE(x, 2.0);
}

TEST(GlobalSearch, AcceptanceIsAThresholdOnTheMisfitIncrease) {
  const double t = 0.01;
  EXPECT_TRUE(AcceptProposal(-1.0, t));
  EXPECT_TRUE(AcceptProposal(0.0, t));
  EXPECT_TRUE(AcceptProposal(0.99 * t * std::log(10.0), t));
  EXPECT_FALSE(AcceptProposal(1.01 * t * std::log(10.0), t));
  EXPECT_FALSE(AcceptProposal(1e300, std::numeric_limits<double>::min()));
  EXPECT_FALSE(AcceptProposal(std::numeric_limits<double>::quiet_NaN(), t));
}

TEST(GlobalSearch, MisfitCountsOnlyRatiosBelowOneHundred) {
  RatioCurve observed;
  observed.points = {{0.2, 2.0, 2.0, 2.0}, {1.0, 2.0, 2.0, 2.0}, {2.0, 3.0, 3.0, 3.0}, {4.0, 1.0, 1.0, 1.0}};
  const FitWeights weights = ComputeBandWeights(observed, BandSettings());  // 0.2 Hz is outside
  const double e = std::exp(1.0);
  // Point 0: outside the band, counts with a zero term; point 3: ratio 150, not counted.
  arofcomplexM curve{{0.2, 50.0}, {1.0, 2.0 * e}, {2.0, 3.0}, {4.0, 150.0}};
  EXPECT_DOUBLE_EQ(GlobalSearchMisfit(curve, observed, weights), 1.0 / 3.0);
  curve[3].im = 99.0;
  EXPECT_DOUBLE_EQ(GlobalSearchMisfit(curve, observed, weights), (1.0 + std::pow(std::log(99.0), 2)) / 4.0);
  const arofcomplexM allHigh{{0.2, 100.0}, {1.0, 100.0}, {2.0, 1e9}, {4.0, 100.0}};
  EXPECT_EQ(GlobalSearchMisfit(allHigh, observed, weights), std::numeric_limits<double>::infinity());
}

TEST(GlobalSearch, RangesFollowTheStartValuesAndTheLimits) {
  ModelTables tables;
  const auto layer = [](int p) { return FreeParameter{FreeValueKind::Layer, p, 0}; };
  EXPECT_EQ(GlobalSearchRange(tables, layer(kH), 20.0), (Complex{10.0, 40.0}));
  EXPECT_EQ(GlobalSearchRange(tables, layer(kH), 0.15), (Complex{0.1, 0.3}));  // kept within the hard range
  EXPECT_EQ(GlobalSearchRange(tables, layer(kVp), 0.3), (Complex{0.2, 0.6}));
  EXPECT_EQ(GlobalSearchRange(tables, layer(kVp), 4.0), (Complex{2.0, 3.0}));
  EXPECT_EQ(GlobalSearchRange(tables, layer(kRho), 1.8), (Complex{1.0, 2.5}));  // default user limits
  EXPECT_EQ(GlobalSearchRange(tables, layer(kQp), 20.0), (Complex{5.0, 125.0}));
  EXPECT_EQ(GlobalSearchRange(tables, {FreeValueKind::ReferenceFrequency, 0, 0}, 3.0), (Complex{0.0, 10.0}));
  EXPECT_EQ(GlobalSearchRange(tables, {FreeValueKind::DispersionExponent, 0, 0}, 0.0), (Complex{0.001, 3.0}));

  tables.UserLimits[kVp] = Complex{0.4, 0.9};
  EXPECT_EQ(GlobalSearchRange(tables, layer(kVp), 0.3), (Complex{0.4, 0.6}));
  tables.UserLimits[kVp] = Complex{InvalidNumber, 0.5};  // one end only: the defaults apply
  EXPECT_EQ(GlobalSearchRange(tables, layer(kVp), 0.3), (Complex{0.2, 0.6}));
  tables.UserLimits[kRho] = Complex{InvalidNumber, InvalidNumber};
  EXPECT_EQ(GlobalSearchRange(tables, layer(kRho), 1.8), (Complex{1.0, 3.0}));
  tables.UserLimits[kQp] = Complex{50.0, 300.0};
  EXPECT_EQ(GlobalSearchRange(tables, layer(kQp), 20.0), (Complex{50.0, 300.0}));
}

TEST(GlobalSearch, FullRunReportsHalfPercentsAndShowsEveryLevel) {
  SeedRandomGenerator(7);
  InversionState state = SmallState();
  state.model.invertFlags[kH][0] = state.model.invertFlags[kVs][0] = true;
  SyntheticEvaluator evaluator;
  const RatioCurve observed = ObservedFrom(Truth(), evaluator.frequencies);
  RecordingProgress progress;
  InversionSettings settings = BandSettings();
  settings.IterationCount = 1;  // ignored by the global search
  const InversionOutcome outcome =
      RunGlobalSearch(state, observed, ModelTables{}, settings, Bind(evaluator), progress);
  EXPECT_EQ(outcome.end, InversionEnd::Completed);
  ASSERT_EQ(progress.percents.size(), 200u);
  for (int level = 1; level <= 200; ++level)
    EXPECT_EQ(progress.percents[level - 1], static_cast<int>(RoundHalfEven(level / 2.0))) << "level " << level;
  EXPECT_EQ(progress.percents[2], 2);  // 1.5 -> 2
  EXPECT_EQ(progress.percents[4], 2);  // 2.5 -> 2
  EXPECT_EQ(evaluator.calls, 4202);
  ASSERT_EQ(progress.shown.size(), 201u);
  EXPECT_EQ(progress.shown.back().state, state);
  EXPECT_EQ(progress.shown.back().theoreticalCurve, outcome.theoreticalCurve);
  // The shown best never gets worse.
  double previous = std::numeric_limits<double>::infinity();
  for (const InversionSnapshot& snapshot : progress.shown) {
    const double e = GlobalSearchMisfit(snapshot.theoreticalCurve, observed, ComputeBandWeights(observed, settings));
    EXPECT_LE(e, previous);
    previous = e;
  }
}

TEST(GlobalSearch, FixedSeedRepeatsTheRun) {
  const auto run = [](std::uint64_t seed) {
    SeedRandomGenerator(seed);
    InversionState state = SmallState();
    for (int p : {kH, kVp, kVs, kQp, kQs}) state.model.invertFlags[p][0] = true;
    SyntheticEvaluator evaluator;
    RecordingProgress progress;
    RunGlobalSearch(state, ObservedFrom(Truth(), evaluator.frequencies), ModelTables{}, BandSettings(true, true),
                    Bind(evaluator), progress);
    return state;
  };
  const InversionState first = run(2024);
  EXPECT_EQ(run(2024), first);
  EXPECT_NE(run(2025), first);
}

TEST(GlobalSearch, ProposalsKeepPartnersRangesAndFixedValues) {
  // Free: Vs of every layer (the half-space's included), Qs of the upper layers, Vp and Qp
  // of the top layer only, rho of layer 1, and both forward-model values.
  InversionState start = SmallState();
  for (int layer = 0; layer < 3; ++layer) start.model.invertFlags[kVs][layer] = true;
  start.model.invertFlags[kQs][0] = start.model.invertFlags[kQs][1] = true;
  start.model.invertFlags[kVp][0] = start.model.invertFlags[kQp][0] = true;
  start.model.invertFlags[kRho][1] = true;
  start.model.invertFlags[kH][2] = start.model.invertFlags[kQp][2] = start.model.invertFlags[kQs][2] = true;  // never free
  start.dispersionExponent = 0.0;  // draws start from the lower end 0.001
  ModelTables tables;
  SeedRandomGenerator(11);
  SyntheticEvaluator evaluator;
  int violations = 0;
  evaluator.onCall = [&](const amodel& m, double fr, double a) {
    const auto& v = m.values;
    for (int layer = 0; layer < 3; ++layer) {
      const double vp = v[kVp][layer], vs = v[kVs][layer];
      if (vs < vp / 5.0 || vs > vp || vs < tables.HardLimits[kVs].re || vs > tables.HardLimits[kVs].im) ++violations;
    }
    for (int layer = 0; layer < 2; ++layer) {
      const double qp = v[kQp][layer], qs = v[kQs][layer];
      if (qs < qp / 5.0 || qs > qp || qs < tables.HardLimits[kQs].re) ++violations;
    }
    if (v[kRho][1] < 1.0 || v[kRho][1] > 2.5) ++violations;
    if (v[kVp][0] < 0.25 || v[kVp][0] > 1.0) ++violations;    // [v0/2, 2 v0]
    if (v[kQp][0] < 5.0 || v[kQp][0] > 125.0) ++violations;
    if (fr < 0.0 || fr > 10.0 || a < 0.001 || a > 3.0) {
      if (evaluator.calls > 1) ++violations;  // the start state is evaluated as it is
    }
    for (int p : {kH, kQp, kQs})
      if (v[p][2] != start.model.values[p][2]) ++violations;
    for (int p : {kH, kRho})
      if (v[p][0] != start.model.values[p][0]) ++violations;
    if (v[kVp][1] != start.model.values[kVp][1] || v[kQp][1] != start.model.values[kQp][1]) ++violations;
  };
  InversionState state = start;
  RecordingProgress progress;
  RunGlobalSearch(state, ObservedFrom(Truth(), evaluator.frequencies), tables, BandSettings(true, true),
                  Bind(evaluator), progress);
  EXPECT_EQ(evaluator.calls, 4202);
  EXPECT_EQ(violations, 0);
  // The vertical partner moves: Vs of layer 1 is drawn against Vp 1.2 and stays within [0.24, 1.2].
  EXPECT_GE(state.model.values[kVs][1], 0.24);
  EXPECT_LE(state.model.values[kVs][1], 1.2);
  EXPECT_EQ(state.model.invertFlags, start.model.invertFlags);
}

TEST(GlobalSearch, NoBetterProposalEndsWithTheStartModelShown) {
  // The curve matches the observed one only at the start: every proposal is worse.
  InversionState start = SmallState();
  start.model.invertFlags[kH][0] = true;
  const InversionState startCopy = start;
  SyntheticEvaluator evaluator;
  const RatioCurve observed = ObservedFrom(start, evaluator.frequencies);
  SeedRandomGenerator(3);
  RecordingProgress progress;
  const InversionOutcome outcome =
      RunGlobalSearch(start, observed, ModelTables{}, BandSettings(), Bind(evaluator), progress);
  EXPECT_EQ(outcome.end, InversionEnd::Completed);
  EXPECT_EQ(start, startCopy);
  ASSERT_FALSE(progress.shown.empty());
  EXPECT_EQ(progress.shown.back().state, startCopy);
}

TEST(GlobalSearch, StopAfterAProposalEndsWithTheBestSoFarShown) {
  // The stop is requested inside the report of level 3; the run notices it after the
  // first proposal of level 4.
  InversionState state = SmallState();
  state.model.invertFlags[kH][0] = state.model.invertFlags[kVs][0] = true;
  SyntheticEvaluator evaluator;
  const RatioCurve observed = ObservedFrom(Truth(), evaluator.frequencies);
  SeedRandomGenerator(5);
  RecordingProgress progress;
  progress.stopAtReport = 3;
  const InversionOutcome outcome =
      RunGlobalSearch(state, observed, ModelTables{}, BandSettings(), Bind(evaluator), progress);
  EXPECT_EQ(outcome.end, InversionEnd::Stopped);
  EXPECT_EQ(progress.percents.size(), 3u);
  // Start, 3 levels of 20 proposals and their shown best, one proposal, the final show.
  EXPECT_EQ(evaluator.calls, 1 + 3 * 21 + 1 + 1);
  ASSERT_EQ(progress.shown.size(), 4u);
  EXPECT_EQ(progress.shown.back().state, state);
  EXPECT_EQ(outcome.theoreticalCurve, progress.shown.back().theoreticalCurve);
  EXPECT_LE(Misfit(state, observed, evaluator.frequencies), Misfit(SmallState(), observed, evaluator.frequencies));
}

TEST(GlobalSearch, FaultEndsWithTheBestStateSoFar) {
  for (int failAt : {1, 2, 500}) {
    SCOPED_TRACE("fault at call " + std::to_string(failAt));
    InversionState start = SmallState();
    start.model.invertFlags[kH][0] = start.model.invertFlags[kVs][0] = true;
    InversionState state = start;
    SyntheticEvaluator evaluator;
    evaluator.failAtCall = failAt;
    const RatioCurve observed = ObservedFrom(Truth(), evaluator.frequencies);
    SeedRandomGenerator(9);
    RecordingProgress progress;
    const InversionOutcome outcome =
        RunGlobalSearch(state, observed, ModelTables{}, BandSettings(), Bind(evaluator), progress);
    EXPECT_EQ(outcome.end, InversionEnd::Failed);
    EXPECT_EQ(outcome.message, "Floating point overflow");
    EXPECT_EQ(evaluator.calls, failAt);
    EXPECT_TRUE(AllFinite(state));
    if (failAt == 1) {
      EXPECT_EQ(state, start);
      EXPECT_TRUE(outcome.theoreticalCurve.empty());
    } else {
      EXPECT_FALSE(outcome.theoreticalCurve.empty());
      EXPECT_DOUBLE_EQ(Misfit(state, observed, evaluator.frequencies),
                       GlobalSearchMisfit(outcome.theoreticalCurve, observed, ComputeBandWeights(observed, BandSettings())));
    }
    if (failAt == 500) {
      ASSERT_FALSE(progress.shown.empty());
      EXPECT_LE(Misfit(state, observed, evaluator.frequencies),
                GlobalSearchMisfit(progress.shown.back().theoreticalCurve, observed,
                                   ComputeBandWeights(observed, BandSettings())));
    }
  }
}

TEST(GlobalSearch, NothingToSearchLeavesTheStateAlone) {
  SyntheticEvaluator evaluator;
  InversionState flagged = SmallState();
  flagged.model.invertFlags[kH][0] = true;
  for (const bool emptyCurve : {true, false}) {
    InversionState state = emptyCurve ? flagged : SmallState();
    const InversionState before = state;
    const RatioCurve observed = emptyCurve ? RatioCurve{} : ObservedFrom(Truth(), evaluator.frequencies);
    RecordingProgress progress;
    const InversionOutcome outcome =
        RunGlobalSearch(state, observed, ModelTables{}, BandSettings(), Bind(evaluator), progress);
    EXPECT_EQ(outcome.end, InversionEnd::NothingToFit);
    EXPECT_EQ(state, before);
    EXPECT_TRUE(progress.percents.empty());
    EXPECT_EQ(evaluator.calls, 0);
  }
}

TEST(GlobalSearch, OneFreeValueKeepsATemperatureAfterItUnderflows) {
  // With one entry the compounded schedule falls below the smallest double after level 39.
  InversionState state = SmallState();
  state.model.invertFlags[kH][0] = true;
  SyntheticEvaluator evaluator;
  SeedRandomGenerator(1);
  RecordingProgress progress;
  const InversionOutcome outcome = RunGlobalSearch(state, ObservedFrom(Truth(), evaluator.frequencies),
                                                   ModelTables{}, BandSettings(), Bind(evaluator), progress);
  EXPECT_EQ(outcome.end, InversionEnd::Completed);
  EXPECT_EQ(evaluator.calls, 4202);
  EXPECT_TRUE(AllFinite(state));
  // The search range of H is [10, 40].
  EXPECT_GE(state.model.values[kH][0], 10.0);
  EXPECT_LE(state.model.values[kH][0], 40.0);
}

TEST(GlobalSearch, LowersTheMisfitOfASyntheticCurve) {
  SeedRandomGenerator(12345);
  InversionState state = SmallState();
  for (int p : {kH, kVs, kQs}) state.model.invertFlags[p][0] = true;
  SyntheticEvaluator evaluator;
  InversionState truth = Truth();
  truth.model.values[kQs][0] = 8.0;
  const RatioCurve observed = ObservedFrom(truth, evaluator.frequencies);
  const double before = Misfit(state, observed, evaluator.frequencies);
  RecordingProgress progress;
  RunGlobalSearch(state, observed, ModelTables{}, BandSettings(), Bind(evaluator), progress);
  const double after = Misfit(state, observed, evaluator.frequencies);
  EXPECT_LT(after, before / 100.0);
  // The peak frequency 1000 Vs / (4 H) is found well.
  EXPECT_NEAR(1000.0 * state.model.values[kVs][0] / (4.0 * state.model.values[kH][0]), 1.8, 0.05);
}

TEST(GlobalSearch, LowersTheMisfitOfACurveOfTheForwardModel) {
  SeedRandomGenerator(77);
  InversionState truth = SmallState();
  truth.model.values[kH][0] = 25.0;
  truth.model.values[kVs][0] = 0.18;
  const RatioCurve observed = ForwardObserved(truth);
  InversionState state = SmallState();
  for (int p : {kH, kVs}) state.model.invertFlags[p][0] = true;
  const CurveEvaluator evaluate = TheoreticalCurveEvaluator(observed);
  const FitWeights weights = ComputeBandWeights(observed, BandSettings());
  arofcomplexM startCurve;
  evaluate(state.model, state.referenceFrequency, state.dispersionExponent, startCurve);
  RecordingProgress progress;
  const InversionOutcome outcome = RunGlobalSearch(state, observed, ModelTables{}, BandSettings(), evaluate, progress);
  ASSERT_EQ(outcome.end, InversionEnd::Completed);
  const double before = GlobalSearchMisfit(startCurve, observed, weights);
  const double after = GlobalSearchMisfit(outcome.theoreticalCurve, observed, weights);
  EXPECT_LT(after, before / 100.0);
  EXPECT_NEAR(state.model.values[kVs][0] / state.model.values[kH][0], 0.18 / 25.0, 0.18 / 25.0 * 0.02);
}
