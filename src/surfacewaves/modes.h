#pragma once
// Rayleigh and Love modes of a layered half-space at given frequencies: phase and
// group velocity, the fundamental Rayleigh mode's ellipticity at the surface, and
// each mode's amplitude at the surface, the residue of the surface Green's function
// at the mode's wavenumber, from which the diffuse-field sums are made.
//
// The modes are the roots in phase velocity c of the secular functions, between
// the slowest possible surface wave and the half-space's S-wave velocity. At each
// frequency the secular function is scanned upwards in c on a grid whose steps keep
// the vertical phase of every layer (ω h √(1/v² − 1/c²) for its P and S waves)
// from advancing by more than a small fraction of π between two points, so that
// consecutive modes, whose phases differ by about π, are not stepped over; each
// sign change is refined with TOMS 748 (Alefeld, Potra & Shi 1995, Boost.Math).
// Where two modes approach each other closer than a scan step, the secular
// function has a local minimum in magnitude between two points of one sign: there
// its extremum is sought (Brent), and a sign change found keeps both roots.
// Mode n is the n-th root from below. Group velocity is dω/dk by implicit
// differentiation of the secular function, U = −(∂F/∂k)/(∂F/∂ω).
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "surfacewaves/layeredmedium.h"

namespace corvath::surfacewaves {

enum class Wave { Rayleigh, Love };

//! The name of a wave type: "rayleigh" or "love".
const char* WaveName(Wave wave);

struct Mode {
  double phaseVelocityMPerS = 0.0;
  double groupVelocityMPerS = 0.0;
  //! |horizontal / vertical| displacement at the surface; only on the fundamental
  //! Rayleigh mode (it grows without bound where the vertical motion vanishes).
  std::optional<double> ellipticity;
  //! The mode's terms of Im G at the surface, source and receiver together, for a
  //! unit point force (m/N, time factor e^(−iωt)): horizontal (averaged over the
  //! azimuth) and vertical. Love modes have only the horizontal one.
  double imG11 = 0.0;
  double imG33 = 0.0;
};

//! The modes found at one frequency, from mode 0 up: fewer than asked for when
//! the higher ones do not exist there (below their cut-off frequency).
struct FrequencyModes {
  double frequencyHz = 0.0;
  std::vector<Mode> rayleigh;
  std::vector<Mode> love;
};

struct ModeRequest {
  int rayleighModes = 20;  //!< modes 0 ... n−1 at most; 0 for none
  int loveModes = 20;
  std::size_t workers = 1;  //!< threads over the frequencies (see numerics::WorkerCount)
};

//! The modes of a medium (see CheckMedium, which this calls) at each frequency (Hz,
//! positive and finite). Throws SurfaceWaveError for a refused medium or frequency,
//! and when a root that was bracketed cannot be refined (naming the wave, the mode
//! and the frequency).
std::vector<FrequencyModes> FindModes(const LayeredMedium& medium, std::span<const double> frequenciesHz,
                                      const ModeRequest& request);

}  // namespace corvath::surfacewaves
