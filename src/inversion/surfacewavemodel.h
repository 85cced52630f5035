#pragma once
// The layered model as the surface-wave engine takes it: H in m, velocities in
// km/s and density in g/cm³ become m, m/s and kg/m³. Quality factors do not enter.
#include "inversion/model.h"
#include "surfacewaves/layeredmedium.h"

namespace corvath::inversion {

inline constexpr double kKilogramsPerCubicMetrePerGramPerCubicCentimetre = 1000.0;

//! The elastic medium of the model (the half-space's H is not used).
surfacewaves::LayeredMedium MediumOfModel(const amodel& model);

}  // namespace corvath::inversion
