#pragma once
// The theoretical curve as the inversions see it: ComputeTheoreticalCurve at the
// frequencies of the observed curve, with working storage kept between calls.
#include "inversion/inversionsettings.h"
#include "spectra/curves.h"

namespace corvath::inversion {

//! An evaluator of the theoretical curve at the frequencies (Hz) of the observed curve's
//! points. It keeps reusable working storage, so one evaluator serves one run on one
//! thread at a time (copies share the storage). Faults throw ForwardModelError.
CurveEvaluator TheoreticalCurveEvaluator(const spectra::RatioCurve& observed);

}  // namespace corvath::inversion
