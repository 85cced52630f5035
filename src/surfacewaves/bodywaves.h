#pragma once
// The body-wave terms of the diffuse-field Green's function at the surface: the
// wavenumber integrals of the imaginary part of the surface response over the
// horizontal wavenumbers that radiate into the half-space, 0 ≤ k ≤ ω/β of the
// half-space, at the complex frequency ω(1 − iε), which moves the poles of the
// leaky modes off the path (García-Jerez et al. 2016, Computers & Geosciences 97).
#include "surfacewaves/layeredmedium.h"

namespace corvath::surfacewaves {

struct BodyWaveTerms {
  double imG11 = 0.0;  //!< m/N, horizontal, averaged over the azimuth
  double imG33 = 0.0;  //!< m/N, vertical
};

struct BodyWaveAccuracy {
  int initialPieces = 4;    //!< equal pieces of θ to start with
  int maxPieces = 200;      //!< the most pieces (15 points each)
  double tolerance = 1e-3;  //!< estimated error relative to the smaller integral
};

//! The body-wave terms at one frequency (Hz): Im G = (1/2π) ∫ Im g(k) k dk, with k =
//! (ω/β) sin θ so that the square-root behaviour at the path's end is smooth, by an
//! adaptive Gauss-Kronrod (7, 15) rule over θ that halves the piece of largest error.
BodyWaveTerms BodyWaveTermsAt(const LayeredMedium& medium, double frequencyHz, double damping,
                              const BodyWaveAccuracy& accuracy = {});

}  // namespace corvath::surfacewaves
