#pragma once
// The H/V ratio of a diffuse wavefield at the surface of a layered half-space
// (Sánchez-Sesma et al. 2011, GJI 186): H/V(f) = √(2 Im G11 / Im G33), the imaginary
// parts of the Green's function with source and receiver together at the surface.
// Each Rayleigh mode adds to Im G33 and, weighted by its squared ellipticity, to
// Im G11, each Love mode to Im G11 (Lontsi et al. 2015, GJI 200; García-Jerez et al.
// 2016, Computers & Geosciences 97); the body waves add the wavenumber integrals of
// bodywaves.h (Piña-Flores et al. 2017, GJI 208). Only P and S velocities, densities and
// thicknesses enter; quality factors do not.
#include <cstddef>
#include <span>
#include <vector>

#include "surfacewaves/layeredmedium.h"

namespace corvath::surfacewaves {

struct DiffuseFieldSettings {
  int rayleighModes = 20;
  int loveModes = 20;
  bool bodyWaves = true;  //!< add the body-wave integrals over the horizontal wavenumber
  double damping = 1e-3;  //!< ε of the complex frequency ω(1 − iε) of the body-wave integrals
  std::size_t workers = 1;
};

struct DiffuseFieldPoint {
  double frequencyHz = 0.0;
  double imG11 = 0.0;  //!< m/N, horizontal, averaged over the azimuth
  double imG33 = 0.0;  //!< m/N, vertical
  double hv = 0.0;     //!< √(2 Im G11 / Im G33)
};

//! The diffuse-field H/V at each frequency (Hz). Throws SurfaceWaveError for a
//! refused medium or frequency, for a mode that cannot be followed, and where
//! Im G33 vanishes (no Rayleigh mode and no body waves).
std::vector<DiffuseFieldPoint> DiffuseFieldRatio(const LayeredMedium& medium, std::span<const double> frequenciesHz,
                                                 const DiffuseFieldSettings& settings);

}  // namespace corvath::surfacewaves
