#pragma once
// The global search: very fast simulated annealing over the free values. Every
// proposal redraws all free values around the current state with a spread that
// narrows as the temperature falls; uphill moves pass a fixed threshold on
// exp(-dE/T). 200 levels of 20 proposals; the best state found is the result.
#include <cstdint>
#include <functional>
#include <vector>

#include "inversion/inversionsettings.h"

namespace corvath::inversion {

//! Temperature levels of a run.
inline constexpr int kAnnealingLevels = 200;
//! Proposals per temperature level.
inline constexpr int kProposalsPerLevel = 20;
//! Theoretical ratios at or above this take no part in the misfit.
inline constexpr double kMisfitRatioCeiling = 100.0;

//! The fixed search range (minimum, maximum) of an entry, in its own unit, from its start
//! value v0: H [v0/2, 2 v0] (within HardLimits), Vp [v0/2, 2 v0] within UserLimits when both
//! ends are set else within [0.2, 3.0], rho and Qp their HardLimits within UserLimits when
//! both ends are set else within [1.0, 3.0] and [5, 125], the reference frequency [0, 10] Hz,
//! the exponent [0.001, 3]. Vs and Qs have no fixed range: (0, 0) is returned for them.
numerics::Complex GlobalSearchRange(const ModelTables& tables, const FreeParameter& entry, double startValue);

//! The range an entry is drawn in by a run from startState: GlobalSearchRange
//! of its start value, and for a free Vp (Qp, above the half-space) whose Vs (Qs) is not free,
//! narrowed to kMinVelocityRatio (1) to 5 times that fixed partner. (0, 0) for Vs and Qs,
//! which are drawn against their partner of the proposal.
numerics::Complex GlobalSearchStartRange(const ModelTables& tables, const InversionState& startState,
                                         const FreeParameter& entry);

//! One very-fast-annealing draw in [lo, hi] around the centre (clamped into the range first)
//! at temperature T > 0, from uniform integers 0..999999999: x = c + (hi - lo) y with
//! y = sgn(u - 0.5) T ((1 + 1/T)^|2u - 1| - 1), u = k / 10^9, redrawn until x is in range.
//! lo = hi gives lo; lo > hi (no value) gives the end nearer the centre.
double VfsaDraw(double lo, double hi, double centre, double temperature,
                const std::function<std::uint32_t()>& randomInteger);

//! Misfit of the global search: mean of (w_i (ln T_i - ln y_i))^2 over the points whose
//! theoretical ratio is below 100 (band weights; points outside the band count with a zero
//! term). +infinity when no point counts or a counted weighted ratio is not positive.
double GlobalSearchMisfit(const numerics::arofcomplexM& curve, const spectra::RatioCurve& observed,
                          const FitWeights& bandWeights);

//! Threshold acceptance: dE <= 0, or exp(-min(dE/T, 50)) > 0.1 (no random number).
bool AcceptProposal(double misfitIncrease, double temperature);

//! Runs the global search on `state` against the observed curve with the process-wide
//! random generator; the best state found stays in `state`. Reports 100 j / 200 after
//! level j, shows the best state after every level and at the end, and reads the stop
//! request after every proposal (the run then ends with the best state so far, shown).
//! A fault of the evaluator ends the run with the best state so far and the message.
//! Vs and Qs are drawn below their layer's Vp (by kMinVelocityRatio) and Qp, and a free
//! Vp or Qp over a fixed partner keeps above it; with the ratio constraint ticked a start
//! model without physical material is refused (Failed, nothing changed).
InversionOutcome RunGlobalSearch(InversionState& state, const spectra::RatioCurve& observed,
                                 const ModelTables& tables, const InversionSettings& settings,
                                 const CurveEvaluator& evaluate, InversionProgress& progress);

//! A state a chain accepted (the changeable values) with its misfit.
struct AcceptedModel {
  PerParameter<numerics::arofdoubleM> values;
  double referenceFrequency = 0.0;
  double dispersionExponent = 0.0;
  double misfit = 0.0;
};

//! What one chain of the global search ends with.
struct GlobalSearchChain {
  InversionOutcome outcome;  //!< how it ended and the curve of its best state
  InversionState best;       //!< the best state found (the start state when nothing beat it)
  double bestMisfit = 0.0;   //!< GlobalSearchMisfit of best (+infinity when it has none)
  std::vector<AcceptedModel> accepted;  //!< every accepted proposal in order, when recorded
};

//! The global search as RunGlobalSearch runs it, from a copy of start, with the draws of
//! randomInteger (uniform integers 0..999999999); with recordAccepted every accepted
//! proposal is kept with its misfit.
GlobalSearchChain RunGlobalSearchChain(const InversionState& start, const spectra::RatioCurve& observed,
                                       const ModelTables& tables, const InversionSettings& settings,
                                       const CurveEvaluator& evaluate, InversionProgress& progress,
                                       const std::function<std::uint32_t()>& randomInteger, bool recordAccepted);

}  // namespace corvath::inversion
