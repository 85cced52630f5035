#pragma once
// The elastic layered half-space of the surface-wave engine, in SI units: layers
// from the top, each with its thickness, P- and S-wave velocity and density; the
// last one is the half-space (its thickness is not used).
#include <stdexcept>
#include <vector>

namespace corvath::surfacewaves {

//! The one exception of the surface-wave engine: a refused medium, or a mode that
//! could not be followed; the message names the layer or the mode and the frequency.
class SurfaceWaveError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

struct Layer {
  double thicknessM = 0.0;      //!< m (not used for the half-space)
  double vpMPerS = 0.0;         //!< P-wave velocity, m/s
  double vsMPerS = 0.0;         //!< S-wave velocity, m/s
  double densityKgPerM3 = 0.0;  //!< kg/m³
};

//! Index 0 the top layer, the last the half-space.
using LayeredMedium = std::vector<Layer>;

//! Throws SurfaceWaveError unless the medium has at least one layer, every value is
//! finite, every layer above the half-space is thicker than 0, and each layer has
//! 0 < Vs < Vp and a positive density. The message names the first faulty layer
//! (counted from 1 at the top).
void CheckMedium(const LayeredMedium& medium);

}  // namespace corvath::surfacewaves
