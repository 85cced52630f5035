#pragma once
// The linearized inversion: an iterated, damped least-squares fit (Levenberg-
// Marquardt type) of the logarithm of the theoretical H/V curve to the observed
// one, over the free model values (in ln v), the reference frequency (as is) and
// the dispersion exponent (in ln a). Each iteration solves the damped normal
// equations for five damping levels and moves to the one with the smallest misfit,
// unless that misfit is not finite or above the one the iteration started from: the
// damping then keeps rising (a shorter step) until a step does not raise the misfit,
// and a run in which no step does stops with its best model.
#include "inversion/inversionsettings.h"

namespace corvath::inversion {

//! Relative threshold below which singular values of the damped system count as zero.
inline constexpr double kLinearizedSvdTolerance = 1e-7;
//! Damping trials per iteration, each with ten times the damping of the one before.
inline constexpr int kDampingTrials = 5;
//! Further trials, each with ten times the damping of the one before, when none of the
//! five lowers the misfit (or when each leaves it not finite).
inline constexpr int kExtraDampingTrials = 8;
//! Attempts per trial to keep every free value inside its allowed range.
inline constexpr int kBoundAttempts = 7;
//! Allowed range of the reference frequency, Hz.
inline constexpr double kMaxReferenceFrequency = 30.0;
//! Allowed range of the dispersion exponent.
inline constexpr double kMaxDispersionExponent = 5.0;

//! The misfit that counts for one that is not a number.
inline constexpr double kUndefinedMisfit = 100.0;

//! y'_i = ln y_i of the observed ratios where the weight is not 0, else 0.
numerics::arofdoubleM ObservedLogarithms(const spectra::RatioCurve& observed, const FitWeights& weights);

//! The misfit by which the linearized inversion chooses among its trials: ln of the sum of
//! (w_i (y'_i - ln T_i))^2 over the points with a weight (T_i the ratio, im, of curve). A
//! theoretical ratio of 0 or infinity there makes it +infinity, a perfect fit -infinity;
//! anything not a number gives kUndefinedMisfit.
double LinearizedMisfit(const numerics::arofcomplexM& curve, const numerics::arofdoubleM& logObserved,
                        const FitWeights& weights);

//! Number of progress steps of a run with s free values: IterationCount (s + 6) + 1.
int LinearizedProgressSteps(int iterationCount, int freeCount);

//! Allowed range (minimum, maximum) of a layer value for the step of the linearized
//! inversion: HardLimits narrowed by each set end of UserLimits, and with the ratio
//! constraint by the partner value of the same layer in `partners`
//! (kMinVelocityRatio Vs <= Vp <= 5 Vs in every layer, the half-space included;
//! Qs <= Qp <= 5 Qs above the half-space, whose quality factors are no model values).
//! A step takes the partners of Vp and Qp from the saved state and those of Vs and Qs
//! from the values just stepped, so that a layer never crosses over.
numerics::Complex LinearizedRange(const ModelTables& tables, const PerParameter<numerics::arofdoubleM>& partners,
                                  int parameter, int layer, bool ratioConstraint);

//! Runs the linearized inversion on `state` (model, "Ref frq", "K degree") against the
//! observed curve; the result stays in `state`. Reports IterationCount (s + 6) + 1 steps
//! as rounded percentages, shows the state after every iteration, and honours a stop
//! request only after a Jacobian row (the state is then that of the start of the
//! interrupted iteration). A trial whose curve faults counts as a misfit that is not
//! finite. A fault of the evaluator on the start curve fails the run; one in a
//! Jacobian row, or an iteration in which no step keeps the misfit from rising, halts
//! it with the state of the start of that iteration (the best so far) and a message.
//! With the ratio constraint a start model without physical material is refused
//! (Failed, nothing changed), and every step keeps to the physical ranges.
InversionOutcome RunLinearizedInversion(InversionState& state, const spectra::RatioCurve& observed,
                                        const ModelTables& tables, const InversionSettings& settings,
                                        const CurveEvaluator& evaluate, InversionProgress& progress);

}  // namespace corvath::inversion
