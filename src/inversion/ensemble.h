#pragma once
// The ensemble of acceptable models of a global search: every state a chain accepted
// whose misfit is within a tolerance of the best misfit of all chains, and what it
// says about the site: the Vs profile's percentiles with depth, and the spread of
// the resonance frequency and of the depth to the half-space.
#include <cstddef>
#include <vector>

#include "inversion/globalsearch.h"

namespace corvath::inversion {

//! The default tolerance T: models with a misfit up to (1 + T) times the best.
inline constexpr double kDefaultEnsembleTolerance = 0.2;
//! Depths at which the profile band is given.
inline constexpr int kProfileDepths = 101;
//! The band reaches this many times the best model's depth to the half-space.
inline constexpr double kProfileDepthFactor = 1.5;

//! The accepted models of all chains, in chain order and then order of acceptance, whose
//! misfit is at most (1 + tolerance) times the best chain's. The best state always belongs:
//! when no proposal of its chain beat the start, the start leads that chain's models.
std::vector<AcceptedModel> SelectEnsemble(const std::vector<GlobalSearchChain>& chains, std::size_t bestChain,
                                          double tolerance);

//! The p-quantile (0 <= p <= 1) of values by linear interpolation between the order
//! statistics (position p (n - 1)); 0 for no values.
double Percentile(std::vector<double> values, double p);

//! Sum of the thicknesses above the half-space (m).
double DepthToHalfSpace(const PerParameter<numerics::arofdoubleM>& values);

//! Vs (km/s) at depth z (m): the layer whose interval [top, top + H) holds z; the
//! half-space below the last interface.
double ShearVelocityAt(const PerParameter<numerics::arofdoubleM>& values, double depth);

//! The Vs profile's 5, 50 and 95 % percentiles over the ensemble at kProfileDepths
//! depths from 0 to maxDepth.
struct ProfileBand {
  std::vector<double> depth, p05, p50, p95;
};
ProfileBand VsProfileBand(const std::vector<AcceptedModel>& ensemble, double maxDepth);

//! A value's 5, 50 and 95 % percentiles.
struct Spread {
  double p05 = 0.0, p50 = 0.0, p95 = 0.0;
};
Spread SpreadOf(const std::vector<double>& values);

//! The frequency (Hz) of the highest ratio of a curve (the first of equal ones); 0 for none.
double PeakFrequency(const numerics::arofcomplexM& curve);

//! Per point of the curves (all on the same frequencies), the 5 and 95 % percentiles of the
//! ratios: (frequency, p05) and (frequency, p95). Curves of another length are left out.
void CurveBand(const std::vector<numerics::arofcomplexM>& curves, numerics::arofcomplexM& lower,
               numerics::arofcomplexM& upper);

}  // namespace corvath::inversion
