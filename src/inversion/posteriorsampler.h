#pragma once
// The models the data allow: Markov chains (Metropolis-Hastings, one value changed a
// step) started from the global search's end points, sampling the posterior under a
// uniform prior over the search box and the likelihood L = exp(-chi2 / 2). Every model
// drawn keeps Vp >= sqrt(2) Vs (Poisson's ratio >= 0, and so Vp > Vs) and Qs <= Qp; a
// layer searched by its Poisson's ratio draws that ratio and takes Vp from it. The kept
// states are draws from the posterior, so each weighs the same: a model's weight by its
// likelihood is in how often the chains visit it.
//
// The H/V part of chi2 is sum(((ln T_i - ln y_i) / s_i)^2) over the fit band, with s_i half
// the spread ln upper - ln lower of the observed bounds, or kDefaultLogRatioSigma without
// bounds.
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "inversion/globalsearch.h"
#include "numerics/complex.h"

namespace corvath::inversion {

//! The standard deviation of ln H/V at a point without bounds (about 10 %).
inline constexpr double kDefaultLogRatioSigma = 0.1;
//! The smallest standard deviation of ln H/V a point's bounds may give.
inline constexpr double kMinLogRatioSigma = 0.01;

//! How the chains run. Each chain takes burnIn steps (its step sizes adapting towards an
//! acceptance of 0.44 per value), then `steps` steps of which every thinning-th state is kept.
struct SamplerSettings {
  int burnIn = 600;
  int steps = 2400;
  int thinning = 6;
  //! Per layer, the range of Poisson's ratio of a layer whose Vp follows from it; none: Vp is
  //! drawn itself. Missing entries count as none.
  std::vector<std::optional<numerics::Complex>> poissonRanges;
  int workers = 0;  //!< threads at most (0: one per core)
};

//! What a state's fit is: chi2 = -2 ln L (the sampler's measure) and the misfit shown with it.
struct StateFit {
  double chiSquare = 0.0;  //!< +infinity: a state the data rule out
  double misfit = 0.0;
};

//! A state's fit; one per thread (it may keep working storage). Throws on a fault.
using StateFitFunction = std::function<StateFit(const InversionState& state)>;
using StateFitFactory = std::function<StateFitFunction()>;

//! What the chains give.
struct PosteriorOutcome {
  std::vector<AcceptedModel> models;  //!< the kept states, chain after chain
  InversionState best;                //!< the lowest misfit any chain met (its start included)
  StateFit bestFit;
  double acceptance = 0.0;            //!< the fraction of proposals accepted after the burn-in
  InversionEnd end = InversionEnd::Completed;
  std::string message;                //!< the fault's message when Failed
};

//! The standard deviations s_i of ln H/V at the observed points (0 outside the fit band or
//! where the ratio has no logarithm).
numerics::arofdoubleM LogRatioSigmas(const spectra::RatioCurve& observed, const InversionSettings& settings);

//! The H/V chi2 of a curve: sum(((ln T_i - ln y_i) / s_i)^2) over the points with s_i > 0
//! and a theoretical ratio below kMisfitRatioCeiling; +infinity for a counted ratio that
//! is not positive.
double LogRatioChiSquare(const numerics::arofcomplexM& curve, const spectra::RatioCurve& observed,
                         const numerics::arofdoubleM& sigmas);

//! The search box of every free value (FreeParameter list order) of start: the layer's limits
//! when both are set, else the global search's range (Vs and Qs: their hard limits).
std::vector<numerics::Complex> PosteriorBox(const InversionState& start, const ModelTables& tables,
                                            const FreeParameterList& list);

//! Runs one chain per start (chain k seeded seed + k) and gathers what they kept. A start
//! whose chi2 is more than d (the number of free values, at least 2) above the lowest start's
//! lies in a mode of negligible weight: its chain starts from the lowest start instead. Stops
//! with what it has at a stop request of progress (end Stopped).
PosteriorOutcome SamplePosterior(const std::vector<InversionState>& starts, const ModelTables& tables,
                                 const InversionSettings& settings, const StateFitFactory& makeFit,
                                 const SamplerSettings& sampler, std::uint64_t seed, InversionProgress& progress);

}  // namespace corvath::inversion
