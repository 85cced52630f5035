#pragma once
// The time-averaged shear-wave velocity of the top 30 m, Vs30 = 30 / sum(h_i / Vs_i),
// the site class measure of the building codes (Borcherdt 1994).
#include "inversion/model.h"

namespace corvath::inversion {

//! Depth (m) over which Vs30 averages.
inline constexpr double kVs30Depth = 30.0;

//! The time-averaged Vs (m/s) from the surface to `depth` m of a model's values (H in m, Vs
//! in km/s): depth over the vertical travel time of a shear wave; 0 when a layer in reach has
//! no positive Vs.
double TimeAveragedVs(const PerParameter<numerics::arofdoubleM>& values, double depth = kVs30Depth);

}  // namespace corvath::inversion
