#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "inversion/inversionsettings.h"
#include "inversion/curveevaluator.h"
#include "inversion/linearizedinversion.h"
#include "inversion/runsupport.h"
#include "inversionfixtures.h"
#include "numerics/numbertext.h"

using namespace corvath::inversion;
using namespace corvath::inversion::testing;
using corvath::numerics::Complex;
using corvath::numerics::RoundHalfEven;
using corvath::spectra::RatioCurve;

namespace {

InversionSettings Settings(int iterations, bool optimizeReference = false, bool optimizeExponent = false) {
  InversionSettings settings;
  settings.IterationCount = iterations;
  settings.MinFrequency = 0.5;
  settings.MaxFrequency = 20.0;
  settings.OptimizeReferenceFrequency = optimizeReference;
  settings.OptimizeDispersionExponent = optimizeExponent;
  return settings;
}

// The truth of most tests: the small model with a few values moved.
InversionState Truth() {
  InversionState truth = SmallState();
  truth.model.values[kH][0] = 25.0;
  truth.model.values[kVs][0] = 0.18;
  truth.model.values[kQs][0] = 8.0;
  return truth;
}

}  // namespace

TEST(FreeParameterList, DefaultTenLayerModelHasFortyEightEntriesInTableOrder) {
  amodel model;
  ModelTables tables;
  ResetModel(model, tables, 10);
  InversionSettings settings;  // exponent optimized, reference frequency not
  const FreeParameterList list = BuildFreeParameterList(model, settings);
  ASSERT_EQ(list.size(), 48u);
  std::vector<FreeParameter> expected;
  for (int p : {kH, kVp, kVs, kQp, kQs}) {
    const int layers = (p == kVp || p == kVs) ? 10 : 9;  // no H, Qp, Qs of the half-space
    for (int layer = 0; layer < layers; ++layer) expected.push_back({FreeValueKind::Layer, p, layer});
  }
  expected.push_back({FreeValueKind::DispersionExponent, 0, 0});
  EXPECT_EQ(list, expected);

  settings.OptimizeReferenceFrequency = true;
  model.invertFlags[kRho][4] = true;
  const FreeParameterList withBoth = BuildFreeParameterList(model, settings);
  ASSERT_EQ(withBoth.size(), 50u);
  EXPECT_EQ(withBoth[29], (FreeParameter{FreeValueKind::Layer, kRho, 4}));  // after 9 H, 10 Vp, 10 Vs
  EXPECT_EQ(withBoth[48].kind, FreeValueKind::ReferenceFrequency);
  EXPECT_EQ(withBoth[49].kind, FreeValueKind::DispersionExponent);
}

TEST(FitWeights, BandAndBoundsGiveTheWeights) {
  RatioCurve curve;
  curve.points = {{0.9, 2.0, 1.0, 4.0},  {1.0, 2.0, 1.0, 4.0}, {5.0, 2.0, 2.0, 2.0},
                  {10.0, 2.0, 0.0, 3.0}, {20.0, 3.0, 1.0, 1.0 * std::exp(0.5)}, {20.5, 2.0, 1.0, 4.0},
                  {15.0, -1.0, 1.0, 2.0}};
  InversionSettings settings;  // band 1 .. 20 Hz
  curve.hasBounds = true;
  const FitWeights bounded = ComputeFitWeights(curve, settings);
  const std::vector<double> expectBounded{0.0, 1.0 / std::log(4.0), 0.0, 0.0, 2.0, 0.0, 0.0};
  ASSERT_EQ(bounded.size(), expectBounded.size());
  for (std::size_t i = 0; i < bounded.size(); ++i) EXPECT_NEAR(bounded[i], expectBounded[i], 1e-12) << "point " << i;

  curve.hasBounds = false;
  EXPECT_EQ(ComputeFitWeights(curve, settings), (FitWeights{0, 1, 1, 1, 1, 0, 0}));
  EXPECT_EQ(ComputeBandWeights(curve, settings), (FitWeights{0, 1, 1, 1, 1, 0, 0}));

  settings.MinFrequency = 30.0;  // "Min frq" above "Max frq": nothing is fitted
  EXPECT_EQ(ComputeFitWeights(curve, settings), FitWeights(7, 0.0));
}

TEST(LinearizedInversion, ProgressCountsIterationsTimesFreeValuesPlusSixPlusOne) {
  struct Case {
    int iterations;
    bool reference, exponent;
    int free;  // with H and Vs of the top layer flagged
  };
  for (const Case c : {Case{3, true, true, 4}, Case{1, false, false, 2}, Case{2, false, true, 3}}) {
    SCOPED_TRACE("iterations " + std::to_string(c.iterations) + ", free " + std::to_string(c.free));
    InversionState state = SmallState();
    state.model.invertFlags[kH][0] = state.model.invertFlags[kVs][0] = true;
    SyntheticEvaluator evaluator;
    const RatioCurve observed = ObservedFrom(Truth(), evaluator.frequencies);
    RecordingProgress progress;
    const InversionOutcome outcome = RunLinearizedInversion(
        state, observed, ModelTables{}, Settings(c.iterations, c.reference, c.exponent), Bind(evaluator), progress);
    EXPECT_EQ(outcome.end, InversionEnd::Completed);

    const int steps = c.iterations * (c.free + 6) + 1;
    EXPECT_EQ(LinearizedProgressSteps(c.iterations, c.free), steps);
    ASSERT_EQ(progress.percents.size(), static_cast<std::size_t>(steps + 1));
    for (int done = 0; done <= steps; ++done)
      EXPECT_EQ(progress.percents[done], static_cast<int>(RoundHalfEven(100.0 * done / steps))) << "step " << done;
    EXPECT_EQ(progress.percents.back(), 100);

    // Two curves per layer value, one for the reference frequency, two for the exponent,
    // five trials and the chosen one; plus the start curve.
    const int layerValues = 2;
    EXPECT_EQ(evaluator.calls, 1 + c.iterations * (2 * layerValues + (c.reference ? 1 : 0) + (c.exponent ? 2 : 0) + 6));
    EXPECT_EQ(progress.curvesShown, 1);
    ASSERT_EQ(progress.shown.size(), static_cast<std::size_t>(c.iterations));
    EXPECT_EQ(progress.shown.back().state, state);
    EXPECT_EQ(progress.shown.back().theoreticalCurve, outcome.theoreticalCurve);
  }
}

TEST(LinearizedInversion, HalfPercentsRoundToTheEvenNeighbour) {
  // One iteration with one free value: P = 1 * (1 + 6) + 1 = 8 steps of 12.5 %.
  InversionState state = SmallState();
  state.model.invertFlags[kH][0] = true;
  SyntheticEvaluator evaluator;
  RecordingProgress progress;
  RunLinearizedInversion(state, ObservedFrom(Truth(), evaluator.frequencies), ModelTables{}, Settings(1),
                         Bind(evaluator), progress);
  EXPECT_EQ(progress.percents, (std::vector<int>{0, 12, 25, 38, 50, 62, 75, 88, 100}));
}

TEST(LinearizedInversion, StopIsHonouredOnlyAfterAJacobianRow) {
  // Free: H and Vs of the top layer (s = 2); 3 iterations. Reports: 1 (c = 0), 2 (start
  // curve), then per iteration 2 rows, 5 trials, 1 end of iteration.
  struct Case {
    const char* name;
    int stopAtReport;
    InversionEnd end;
    int reports;     // reports made before the run ended
    int shownBefore; // iterations completed: the state is the last one shown, or the start
  };
  const Case cases[] = {
      {"during the first report", 1, InversionEnd::Stopped, 3, 0},
      {"at the first row", 3, InversionEnd::Stopped, 3, 0},
      {"at the second row", 4, InversionEnd::Stopped, 4, 0},
      {"during a trial of iteration 1", 5, InversionEnd::Stopped, 11, 1},
      {"at the end of iteration 2", 18, InversionEnd::Stopped, 19, 2},
      {"during the trials of the last iteration", 22, InversionEnd::Completed, 26, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const InversionState start = [] {
      InversionState s = SmallState();
      s.model.invertFlags[kH][0] = s.model.invertFlags[kVs][0] = true;
      return s;
    }();
    InversionState state = start;
    SyntheticEvaluator evaluator;
    RecordingProgress progress;
    progress.stopAtReport = c.stopAtReport;
    const InversionOutcome outcome = RunLinearizedInversion(
        state, ObservedFrom(Truth(), evaluator.frequencies), ModelTables{}, Settings(3), Bind(evaluator), progress);
    EXPECT_EQ(outcome.end, c.end);
    EXPECT_EQ(static_cast<int>(progress.percents.size()), c.reports);
    ASSERT_EQ(static_cast<int>(progress.shown.size()), c.shownBefore);
    if (c.shownBefore == 0) {
      EXPECT_EQ(state, start);
    } else {
      EXPECT_EQ(state, progress.shown.back().state);
      EXPECT_EQ(outcome.theoreticalCurve, progress.shown.back().theoreticalCurve);
    }
  }
}

TEST(LinearizedInversion, EqualMisfitsKeepTheTrialWithTheSmallerDamping) {
  // The curve is 1 + max(H, 2) at every frequency and the observed ratio 2: the misfit falls
  // as H falls to 2 and is flat below. From H = 2.2 the three least damped trials all land
  // below 2 (equal misfits, different H); the least damped must be kept.
  InversionState state = SmallState();
  state.model.values[kH][0] = 2.2;
  state.model.invertFlags[kH][0] = true;
  std::vector<double> evaluatedH;
  const std::vector<double> frequencies = LogFrequencies(11);
  CurveEvaluator evaluate = [&](const amodel& m, double, double, corvath::numerics::arofcomplexM& curve) {
    evaluatedH.push_back(m.values[kH][0]);
    curve.clear();
    for (double f : frequencies) curve.push_back({f, 1.0 + std::max(m.values[kH][0], 2.0)});
  };
  RatioCurve observed;
  for (double f : frequencies) observed.points.push_back({f, 2.0, 2.0, 2.0});
  RecordingProgress progress;
  RunLinearizedInversion(state, observed, ModelTables{}, Settings(1), evaluate, progress);

  // Calls: start, two for the row, five trials, the chosen one.
  ASSERT_EQ(evaluatedH.size(), 9u);
  const std::vector<double> trials(evaluatedH.begin() + 3, evaluatedH.begin() + 8);
  EXPECT_LE(trials[0], 2.0);
  EXPECT_LE(trials[1], 2.0);
  EXPECT_LT(trials[0], trials[1]);  // less damping, longer step
  EXPECT_GT(trials[4], 2.0);        // the most damped trial barely moves
  EXPECT_EQ(state.model.values[kH][0], trials[0]);
  EXPECT_EQ(evaluatedH.back(), trials[0]);
}

TEST(LinearizedInversion, StepsKeepToHardAndUserLimitsAndTheRatioConstraint) {
  // The truth lies outside what the limits allow: a faster, thinner top layer and a Vs
  // close to Vp. Vs of the top layer starts outside its user range.
  InversionState truth = SmallState();
  truth.model.values[kVs][0] = 0.45;
  truth.model.values[kVp][0] = 0.46;
  truth.model.values[kH][0] = 8.0;
  truth.model.values[kQs][0] = 25.0;
  ModelTables tables;
  tables.UserLimits[kVs] = Complex{0.15, 0.25};
  tables.UserLimits[kH] = Complex{corvath::numerics::InvalidNumber, 40.0};  // only the maximum set

  InversionState start = SmallState();
  start.model.values[kVs][0] = 0.3;  // above the user maximum
  for (int p : {kH, kVp, kVs, kQp, kQs}) start.model.invertFlags[p][0] = start.model.invertFlags[p][1] = true;
  start.model.invertFlags[kVp][2] = start.model.invertFlags[kVs][2] = true;

  for (bool constraint : {true, false}) {
    SCOPED_TRACE(constraint ? "with the constraint" : "without the constraint");
    InversionState state = start;
    SyntheticEvaluator evaluator;
    RecordingProgress progress;
    InversionSettings settings = Settings(12);
    settings.RatioConstraint = constraint;
    RunLinearizedInversion(state, ObservedFrom(truth, evaluator.frequencies), tables, settings, Bind(evaluator),
                           progress);
    ASSERT_EQ(progress.shown.size(), 12u);
    const InversionState* previous = &start;
    bool userBoundReached = false;
    for (const InversionSnapshot& snapshot : progress.shown) {
      const auto& v = snapshot.state.model.values;
      const auto& before = previous->model.values;
      ASSERT_TRUE(AllFinite(snapshot.state));
      for (int p = 0; p < kParameterCount; ++p)
        for (int layer = 0; layer < 3; ++layer) {
          // Vs and Qs keep to the Vp and Qp of the same step, the others to the saved partners.
          const Complex range = LinearizedRange(tables, p == kVs || p == kQs ? v : before, p, layer, constraint);
          if (!start.model.invertFlags[p][layer]) {
            EXPECT_EQ(v[p][layer], start.model.values[p][layer]);
            continue;
          }
          // Where the limits leave no room (the half-space's Vs under its user maximum 0.25
          // and above Vp/5 = 0.4), the value keeps below its partner: the upper end wins.
          if (range.re <= range.im) {
            EXPECT_GE(v[p][layer], range.re) << "parameter " << p << " layer " << layer;
          }
          EXPECT_LE(v[p][layer], range.im) << "parameter " << p << " layer " << layer;
          EXPECT_GE(v[p][layer], tables.HardLimits[p].re);
          EXPECT_LE(v[p][layer], tables.HardLimits[p].im);
        }
      EXPECT_GE(v[kVs][0], 0.15);
      EXPECT_LE(v[kVs][0], 0.25);
      EXPECT_LE(v[kH][0], 40.0);
      // Without the constraint Vs climbs to its user maximum; with it, Vp and Vs of the top
      // layer come down together, Vs to its user minimum.
      if (v[kVs][0] == 0.25 || v[kVs][0] == 0.15) userBoundReached = true;
      if (constraint) {
        for (int layer = 0; layer < 3; ++layer) {
          EXPECT_GE(v[kVp][layer], kMinVelocityRatio * before[kVs][layer]);
          EXPECT_LT(v[kVs][layer], v[kVp][layer]);
          if (layer < 2) {
            EXPECT_GE(v[kQp][layer], before[kQs][layer]);
            EXPECT_LE(v[kQs][layer], v[kQp][layer]);
          }
        }
      }
      previous = &snapshot.state;
    }
    EXPECT_TRUE(userBoundReached);
  }
}

TEST(LinearizedInversion, TheConstraintKeepsVsBelowVpInEveryLayerAndQsToQpAboveTheHalfSpace) {
  ModelTables tables;
  const InversionState state = SmallState();
  const auto& v = state.model.values;
  // The half-space's velocities too (Vs 1.0, Vp 2.0); its quality factors are no model values.
  EXPECT_EQ(LinearizedRange(tables, v, kVp, 2, true), (Complex{kMinVelocityRatio * 1.0, 5.0}));
  EXPECT_EQ(LinearizedRange(tables, v, kVs, 2, true), (Complex{2.0 / 5.0, 2.0 / kMinVelocityRatio}));
  EXPECT_EQ(LinearizedRange(tables, v, kQs, 2, true), tables.HardLimits[kQs]);
  EXPECT_EQ(LinearizedRange(tables, v, kVs, 1, true), (Complex{1.2 / 5.0, 1.2 / kMinVelocityRatio}));
  EXPECT_EQ(LinearizedRange(tables, v, kQs, 1, true), (Complex{40.0 / 5.0, 40.0}));
  EXPECT_EQ(LinearizedRange(tables, v, kVp, 2, false), tables.HardLimits[kVp]);
  const Complex rho = LinearizedRange(tables, v, kRho, 0, true);
  EXPECT_EQ(rho, (Complex{1.0, 2.5}));  // default user limits of rho
}

TEST(LinearizedInversion, ReferenceFrequencyStartsItsRowAtOneHundredthAndStaysWithinThirty) {
  InversionState state = SmallState();
  InversionState truth = SmallState();
  truth.referenceFrequency = 45.0;  // beyond what the run may reach
  SyntheticEvaluator evaluator;
  std::vector<double> evaluatedReference;
  evaluator.onCall = [&](const amodel&, double fr, double) { evaluatedReference.push_back(fr); };
  RecordingProgress progress;
  RunLinearizedInversion(state, ObservedFrom(truth, evaluator.frequencies), ModelTables{}, Settings(6, true, false),
                         Bind(evaluator), progress);
  ASSERT_GE(evaluatedReference.size(), 2u);
  EXPECT_EQ(evaluatedReference[0], 0.0);
  EXPECT_EQ(evaluatedReference[1], 0.01);
  for (const InversionSnapshot& snapshot : progress.shown) {
    EXPECT_GE(snapshot.state.referenceFrequency, 0.0);
    EXPECT_LE(snapshot.state.referenceFrequency, 30.0);
  }
  EXPECT_GT(state.referenceFrequency, 25.0);  // driven towards the upper end
}

TEST(LinearizedInversion, FaultsFailTheStartHaltARowAndCostATrialOnly) {
  // Free: H and Vs of the top layer, 3 iterations; 10 curves per iteration after the start
  // one (4 for the rows, 5 trials, 1 for the chosen trial).
  struct Case {
    const char* name;
    int failAtCall;
    InversionEnd end;
    int completedIterations;
  };
  const Case cases[] = {{"start curve", 1, InversionEnd::Failed, 0},
                        {"row of iteration 1", 3, InversionEnd::Halted, 0},
                        {"row of iteration 2", 13, InversionEnd::Halted, 1},
                        {"trial of iteration 2", 18, InversionEnd::Completed, 3},
                        {"chosen trial of iteration 3", 31, InversionEnd::Halted, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InversionState start = SmallState();
    start.model.invertFlags[kH][0] = start.model.invertFlags[kVs][0] = true;
    InversionState state = start;
    SyntheticEvaluator evaluator;
    evaluator.failAtCall = c.failAtCall;
    RecordingProgress progress;
    const InversionOutcome outcome = RunLinearizedInversion(
        state, ObservedFrom(Truth(), evaluator.frequencies), ModelTables{}, Settings(3), Bind(evaluator), progress);
    EXPECT_EQ(outcome.end, c.end);
    switch (c.end) {
      case InversionEnd::Failed: EXPECT_EQ(outcome.message, "Floating point overflow"); break;
      case InversionEnd::Halted:
        EXPECT_NE(outcome.message.find("the forward model fails next to the model reached (Floating point overflow)"),
                  std::string::npos)
            << outcome.message;
        EXPECT_NE(outcome.message.find("the best model so far is kept"), std::string::npos);
        EXPECT_EQ(evaluator.calls, c.failAtCall);
        break;
      default: EXPECT_EQ(outcome.message, ""); break;
    }
    ASSERT_EQ(static_cast<int>(progress.shown.size()), c.completedIterations);
    EXPECT_TRUE(AllFinite(state));
    if (c.completedIterations == 0) {
      EXPECT_EQ(state, start);
      if (c.failAtCall == 1) {
        EXPECT_TRUE(outcome.theoreticalCurve.empty());
      }
    } else {
      EXPECT_EQ(state, progress.shown.back().state);
      EXPECT_EQ(outcome.theoreticalCurve, progress.shown.back().theoreticalCurve);
    }
  }
}

// The five damped trials of an iteration all leave the range where the curve exists:
// the damping keeps rising until a step is short enough, and the run goes on from there.
// Where no step is short enough, the run halts with the model it started the iteration from.
TEST(LinearizedInversion, StepsThatRaiseTheMisfitAreShortenedOrTheRunHalts) {
  InversionState start = SmallState();
  start.model.invertFlags[kH][0] = true;
  const RatioCurve observed = ObservedFrom(Truth(), LogFrequencies());
  const double h0 = start.model.values[kH][0];
  const double probe1 = h0 / 1.1, probe2 = 2.0 * h0 - probe1;
  // One free value: calls 2 and 3 are its row, 4 to 8 the five trials.
  std::vector<double> trialH;
  {
    SyntheticEvaluator evaluator;
    evaluator.onCall = [&](const amodel& m, double, double) {
      if (evaluator.calls >= 4 && evaluator.calls <= 8) trialH.push_back(m.values[kH][0]);
    };
    InversionState state = start;
    RecordingProgress progress;
    RunLinearizedInversion(state, observed, ModelTables{}, Settings(1), Bind(evaluator), progress);
  }
  ASSERT_EQ(trialH.size(), 5u);
  double shortest = 1e300;
  for (double h : trialH) shortest = std::min(shortest, std::fabs(h - h0));
  ASSERT_GT(shortest, 0.0);

  for (const double reach : {0.5 * shortest, 0.0}) {
    SCOPED_TRACE(reach > 0.0 ? "a shorter step exists" : "no step exists");
    SyntheticEvaluator evaluator;
    evaluator.onCall = [&](const amodel& m, double, double) {
      const double h = m.values[kH][0];
      if (h != h0 && h != probe1 && h != probe2 && !(std::fabs(h - h0) < reach))
        throw std::runtime_error("Floating point overflow");
    };
    InversionState state = start;
    RecordingProgress progress;
    const InversionOutcome outcome =
        RunLinearizedInversion(state, observed, ModelTables{}, Settings(1), Bind(evaluator), progress);
    if (reach > 0.0) {
      EXPECT_EQ(outcome.end, InversionEnd::Completed);
      EXPECT_EQ(outcome.message, "");
      EXPECT_GT(state.model.values[kH][0], h0);  // towards the truth's 25 m
      EXPECT_LT(state.model.values[kH][0], h0 + reach);
      ASSERT_EQ(progress.shown.size(), 1u);
    } else {
      EXPECT_EQ(outcome.end, InversionEnd::Halted);
      EXPECT_EQ(outcome.message,
                "stopped in iteration 1 of 1: no step keeps the misfit from rising; the best model so far is kept");
      EXPECT_EQ(state, start);
      EXPECT_TRUE(progress.shown.empty());
      EXPECT_EQ(evaluator.calls, 1 + 2 + kDampingTrials + kExtraDampingTrials);
      EXPECT_EQ(outcome.theoreticalCurve.size(), observed.points.size());  // the start model's curve
    }
  }
}

TEST(LinearizedInversion, NothingToFitLeavesTheStateAlone) {
  InversionState flagged = SmallState();
  flagged.model.invertFlags[kH][0] = true;
  SyntheticEvaluator evaluator;
  const RatioCurve observed = ObservedFrom(Truth(), evaluator.frequencies);

  struct Case {
    const char* name;
    InversionState start;
    RatioCurve curve;
    InversionSettings settings;
  };
  InversionSettings outOfBand = Settings(3);
  outOfBand.MinFrequency = 50.0;
  const Case cases[] = {{"no observed point", flagged, RatioCurve{}, Settings(3)},
                        {"no free value", SmallState(), observed, Settings(3)},
                        {"no point in the band", flagged, observed, outOfBand}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InversionState state = c.start;
    RecordingProgress progress;
    const InversionOutcome outcome =
        RunLinearizedInversion(state, c.curve, ModelTables{}, c.settings, Bind(evaluator), progress);
    EXPECT_EQ(outcome.end, InversionEnd::NothingToFit);
    EXPECT_EQ(state, c.start);
    EXPECT_TRUE(progress.shown.empty());
  }
}

TEST(LinearizedInversion, RecoversTheModelOfASyntheticCurve) {
  const InversionState truth = [] {
    InversionState t = Truth();
    t.dispersionExponent = 0.3;
    return t;
  }();
  InversionState state = SmallState();  // H 20, Vs 0.2, Qs 10, exponent 0.1
  for (int p : {kH, kVs, kQs}) state.model.invertFlags[p][0] = true;
  SyntheticEvaluator evaluator;
  const RatioCurve observed = ObservedFrom(truth, evaluator.frequencies);
  RecordingProgress progress;
  const InversionOutcome outcome =
      RunLinearizedInversion(state, observed, ModelTables{}, Settings(25, false, true), Bind(evaluator), progress);
  ASSERT_EQ(outcome.end, InversionEnd::Completed);
  EXPECT_NEAR(state.model.values[kH][0], 25.0, 0.25);
  EXPECT_NEAR(state.model.values[kVs][0], 0.18, 0.0018);
  EXPECT_NEAR(state.model.values[kQs][0], 8.0, 0.08);
  EXPECT_NEAR(state.dispersionExponent, 0.3, 0.003);
  // Values that are not free never change.
  EXPECT_EQ(state.model.values[kVp], SmallState().model.values[kVp]);
  EXPECT_EQ(state.model.values[kH][1], 30.0);
}

TEST(LinearizedInversion, NonPositiveExponentIsRaisedBeforeItsLogarithmIsTaken) {
  InversionState state = SmallState();
  state.dispersionExponent = 0.0;
  InversionState truth = SmallState();
  truth.dispersionExponent = 0.2;
  SyntheticEvaluator evaluator;
  RecordingProgress progress;
  RunLinearizedInversion(state, ObservedFrom(truth, evaluator.frequencies), ModelTables{}, Settings(10, false, true),
                         Bind(evaluator), progress);
  EXPECT_TRUE(AllFinite(state));
  EXPECT_NEAR(state.dispersionExponent, 0.2, 0.01);
}

TEST(LinearizedInversion, RecoversAModelFromACurveOfTheForwardModel) {
  InversionState truth = SmallState();
  truth.model.values[kH][0] = 25.0;
  truth.model.values[kVs][0] = 0.18;
  truth.model.values[kQs][0] = 12.0;
  const RatioCurve observed = ForwardObserved(truth);
  InversionState state = SmallState();
  for (int p : {kH, kVs, kQs}) state.model.invertFlags[p][0] = true;
  RecordingProgress progress;
  const InversionOutcome outcome = RunLinearizedInversion(state, observed, ModelTables{}, Settings(20),
                                                          TheoreticalCurveEvaluator(observed), progress);
  ASSERT_EQ(outcome.end, InversionEnd::Completed);
  EXPECT_NEAR(state.model.values[kH][0], 25.0, 0.25);
  EXPECT_NEAR(state.model.values[kVs][0], 0.18, 0.0018);
  EXPECT_NEAR(state.model.values[kQs][0], 12.0, 0.12);
  ASSERT_EQ(outcome.theoreticalCurve.size(), observed.points.size());
  for (std::size_t k = 0; k < observed.points.size(); ++k)
    EXPECT_NEAR(outcome.theoreticalCurve[k].im / observed.points[k].ratio, 1.0, 1e-3) << observed.points[k].frequencyHz;
}

TEST(LinearizedInversion, UnreadableExponentFailsTheRunWithTheRuntimeMessage) {
  // "K degree" that is not a number arrives as 123456789: the powers of the quality
  // factors overflow above 1 Hz, and the run ends before changing anything.
  InversionState state = SmallState();
  state.model.invertFlags[kH][0] = true;
  state.dispersionExponent = corvath::numerics::InvalidNumber;
  const InversionState start = state;
  const RatioCurve observed = ForwardObserved(SmallState());
  RecordingProgress progress;
  const InversionOutcome outcome = RunLinearizedInversion(state, observed, ModelTables{}, Settings(5),
                                                          TheoreticalCurveEvaluator(observed), progress);
  EXPECT_EQ(outcome.end, InversionEnd::Failed);
  EXPECT_FALSE(outcome.message.empty());
  EXPECT_EQ(state, start);
  EXPECT_TRUE(outcome.theoreticalCurve.empty());
  EXPECT_EQ(progress.percents, std::vector<int>{0});
}

// A well-posed fit in which every iteration's best trial lowers the misfit: no step is
// shortened, and every iteration ends on the very digits the plain five-trial method gives
// (H, Vp, Vs, Qs of the top layer and the exponent, as that method computed them).
TEST(LinearizedInversion, WellPosedFitKeepsItsDigits) {
  InversionState truth = SmallState();
  truth.model.values[kH][0] = 25.0;
  truth.model.values[kVs][0] = 0.18;
  truth.model.values[kQs][0] = 12.0;
  truth.dispersionExponent = 0.2;
  const RatioCurve observed = ForwardObserved(truth);
  InversionState state = SmallState();
  for (int p : {kH, kVp, kVs, kQs}) state.model.invertFlags[p][0] = true;
  RecordingProgress progress;
  const InversionOutcome outcome = RunLinearizedInversion(state, observed, ModelTables{}, Settings(6, false, true),
                                                          TheoreticalCurveEvaluator(observed), progress);
  ASSERT_EQ(outcome.end, InversionEnd::Completed);
  const double expected[6][5] = {
      {0x1.3addffd9a8eecp+4, 0x1.bdf9282cd2acep-2, 0x1.9beb6c1ce0fb2p-3, 0x1.8747e73cd08bap+3, 0x1.9fec9d727a1d6p-4},
      {0x1.441d09f93bfe9p+4, 0x1.ad41c5092201dp-2, 0x1.9cc81b969d64bp-3, 0x1.850a03718e4e7p+3, 0x1.9ed2437502639p-4},
      {0x1.45a26a7d9b75dp+4, 0x1.a745d3c1b22bcp-2, 0x1.97e788b2baeb2p-3, 0x1.814efbf904915p+3, 0x1.9d76ef180042bp-4},
      {0x1.45d7d6ef91574p+4, 0x1.a5fd85e86f754p-2, 0x1.919242c215664p-3, 0x1.7e34300b63c89p+3, 0x1.9c843fbc6aadap-4},
      {0x1.46b2dde94ba82p+4, 0x1.a65bf5a460cbfp-2, 0x1.8b72bbb7e71cp-3, 0x1.7c0247c85d50ep+3, 0x1.9c099fc7e4284p-4},
      {0x1.48753df59156fp+4, 0x1.a740d9e397976p-2, 0x1.860ffb55b7a7p-3, 0x1.7a90716b53adp+3, 0x1.9bf6e47bac3ddp-4},
  };
  ASSERT_EQ(progress.shown.size(), 6u);
  for (std::size_t k = 0; k < 6; ++k) {
    const InversionState& s = progress.shown[k].state;
    const double got[5] = {s.model.values[kH][0], s.model.values[kVp][0], s.model.values[kVs][0],
                           s.model.values[kQs][0], s.dispersionExponent};
    for (int j = 0; j < 5; ++j) EXPECT_EQ(got[j], expected[k][j]) << "iteration " << k + 1 << " value " << j;
  }
}
