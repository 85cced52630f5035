#pragma once
// The linearized inversion: an iterated, damped least-squares fit (Levenberg-
// Marquardt type) of the logarithm of the theoretical H/V curve to the observed
// one, over the free model values (in ln v), the reference frequency (as is) and
// the dispersion exponent (in ln a). Each iteration solves the damped normal
// equations for five damping levels and moves to the one with the smallest misfit.
#include "inversion/inversionsettings.h"

namespace corvath::inversion {

//! Relative threshold below which singular values of the damped system count as zero.
inline constexpr double kLinearizedSvdTolerance = 1e-7;
//! Damping trials per iteration, each with ten times the damping of the one before.
inline constexpr int kDampingTrials = 5;
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
//! constraint (not for the half-space) by the partner value of the same layer in
//! `saved` (Vs <= Vp <= 5 Vs, Qs <= Qp <= 5 Qs).
numerics::Complex LinearizedRange(const ModelTables& tables, const PerParameter<numerics::arofdoubleM>& saved,
                                  int parameter, int layer, bool ratioConstraint);

//! Runs the linearized inversion on `state` (model, "Ref frq", "K degree") against the
//! observed curve; the result stays in `state`. Reports IterationCount (s + 6) + 1 steps
//! as rounded percentages, shows the state after every iteration, and honours a stop
//! request only after a Jacobian row (the state is then that of the start of the
//! interrupted iteration). A fault of the evaluator ends the run with the state of the
//! start of the iteration in which it happened, and the message.
InversionOutcome RunLinearizedInversion(InversionState& state, const spectra::RatioCurve& observed,
                                        const ModelTables& tables, const InversionSettings& settings,
                                        const CurveEvaluator& evaluate, InversionProgress& progress);

}  // namespace corvath::inversion
