#pragma once
// The misfit of a model against an H/V curve and a dispersion curve together. The
// dispersion part is the root mean square of the residuals in standard deviations,
// sqrt(sum(((c_obs - c_calc) / sigma)^2) / n); a point whose mode the model does not have
// at that frequency (below the mode's cut-off) counts as a miss of kMissingModeResidual
// standard deviations. The two parts are combined by the dispersion weight w:
// total = (1 - w) H/V + w dispersion.
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "inversion/dispersioncurve.h"
#include "inversion/model.h"

namespace corvath::inversion {

//! The residual, in standard deviations, of a point whose mode the model lacks: a miss far
//! outside any acceptable fit, yet finite, so that a search can still rank such models.
inline constexpr double kMissingModeResidual = 10.0;

//! The computed phase velocities of a model (m/s) at the observed points, one per point in
//! their order: nothing where the model has no such mode (wave, mode) at that frequency.
//! Throws a std::exception when the model cannot be computed. The modal engine provides
//! it; the tests a stand-in.
using PhaseVelocityFunction =
    std::function<std::vector<std::optional<double>>(const amodel& model, const std::vector<DispersionPoint>& at)>;

//! sqrt(sum(r_i^2) / n) with r_i = (c_obs - c_calc) / sigma, or kMissingModeResidual where
//! computed holds nothing (or a number that is not finite and positive); 0 for no point.
//! computed must have one entry per observed point.
double DispersionMisfit(const DispersionCurve& observed, const std::vector<std::optional<double>>& computed);

//! The dispersion weight that balances the two curves by their numbers of points:
//! w = n_HV / (n_HV + n_DC); 0 without dispersion points.
double BalancedDispersionWeight(std::size_t hvPoints, std::size_t dispersionPoints);

//! Both parts of a joint misfit and their combination.
struct JointMisfit {
  double hv = 0.0;          //!< the H/V misfit as the global search measures it
  double dispersion = 0.0;  //!< DispersionMisfit
  double total = 0.0;       //!< (1 - w) hv + w dispersion
};

//! The parts combined by the dispersion weight w (0 to 1).
JointMisfit CombineMisfits(double hv, double dispersion, double weight);

}  // namespace corvath::inversion
