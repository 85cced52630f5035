#pragma once
// The secular functions of Rayleigh and Love waves of a layered half-space at a real
// wavenumber k (rad/m) and angular frequency ω (rad/s), with the surface responses
// whose residues at a root are the modal amplitudes.
//
// Rayleigh: the 2x2 minors of the motion-stress solutions that decay into the
// half-space (Dunkin 1965; the "delta matrix" of Buchen & Ben-Hador 1996, GJI 124)
// are carried up through each layer by the compound of the layer's propagator,
// written with the real functions cosh/cos, sinh/sin that hold on both sides of
// each layer's wave speed, and scaled by the growth of the evanescent terms, so
// nothing overflows and no large terms cancel. Love: the Thomson-Haskell
// propagator of the SH motion-stress vector, scaled the same way. After each layer
// the vector is rescaled by its length: the functions are fixed only up to a
// positive factor that varies smoothly with k and ω, which keeps their roots, their
// signs and the ratios (surface response) / (derivative at a root).
#include <complex>

#include "surfacewaves/layeredmedium.h"

namespace corvath::surfacewaves {

//! Minors m_ij = r_i¹ r_j² − r_j¹ r_i² at the surface of the two solutions that
//! decay with depth, r = (r1, r2, r3, r4) of Aki & Richards (2002, eq. 7.28):
//! horizontal and vertical displacement, shear and normal traction.
struct RayleighMinors {
  double m12 = 0.0, m13 = 0.0, m14 = 0.0, m23 = 0.0, m24 = 0.0, m34 = 0.0;
};

//! The Rayleigh minors at the surface; m34 is the secular function (zero at a mode).
//! Needs c = ω/k below the half-space's S-wave velocity.
RayleighMinors RayleighSurfaceMinors(const LayeredMedium& medium, double k, double omega);

//! The SH motion-stress vector at the surface of the solution that decays with depth:
//! displacement l1 and traction l2 (the secular function).
struct LoveVector {
  double displacement = 0.0;
  double traction = 0.0;
};

//! The Love vector at the surface. Needs c = ω/k below the half-space's S-wave velocity.
LoveVector LoveSurfaceVector(const LayeredMedium& medium, double k, double omega);

using Complex = std::complex<double>;

//! The surface displacement per unit surface traction of the layered half-space at a
//! real wavenumber and a complex angular frequency (the solutions that decay with
//! depth, radiating into the half-space): vertical for vertical, radial for radial
//! (P-SV) and transverse for transverse (SH) traction, in m³/N per unit wavenumber area.
struct SurfaceResponse {
  Complex vertical;
  Complex radial;
  Complex transverse;
};

SurfaceResponse SurfaceResponseAt(const LayeredMedium& medium, double k, Complex omega);

}  // namespace corvath::surfacewaves
