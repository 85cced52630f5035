#pragma once
// Which forward model the inversions fit: the ratio of the S- and P-wave transfer
// functions of vertically incident body waves, or the H/V of a diffuse wavefield
// (surfacewaves/diffusefield.h), which uses H, Vp, Vs and rho but no quality factor.
#include <cstddef>

#include "inversion/inversionsettings.h"
#include "spectra/curves.h"
#include "surfacewaves/diffusefield.h"

namespace corvath::inversion {

enum class ForwardModelKind { TransferFunction, DiffuseField };

struct ForwardModelChoice {
  ForwardModelKind kind = ForwardModelKind::TransferFunction;
  surfacewaves::DiffuseFieldSettings diffuseField;  //!< its workers are set by the caller of CurveEvaluatorFor
  bool operator==(const ForwardModelChoice& other) const {
    return kind == other.kind && diffuseField.rayleighModes == other.diffuseField.rayleighModes &&
           diffuseField.loveModes == other.diffuseField.loveModes &&
           diffuseField.bodyWaves == other.diffuseField.bodyWaves && diffuseField.damping == other.diffuseField.damping;
  }
};

//! The name of a kind: "transfer-function" or "diffuse-field".
const char* ForwardModelName(ForwardModelKind kind);

//! The evaluator of the chosen forward model at the observed frequencies. The
//! diffuse-field curve ignores "Ref frq" and "K degree" and spreads its frequencies
//! over `workers` threads (1 inside a chain of the global search).
CurveEvaluator CurveEvaluatorFor(const ForwardModelChoice& choice, const spectra::RatioCurve& observed,
                                 std::size_t workers);

}  // namespace corvath::inversion
