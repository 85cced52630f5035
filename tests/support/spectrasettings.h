#pragma once
// Field-standard settings the spectra tests compute with.
#include "spectra/fieldstandard.h"

namespace corvath::testing {

//! The defaults with windows of windowSeconds and a coarse grid: 80 points from 0.5 to 20 Hz.
inline spectra::FieldStandardSettings CoarseFieldStandardSettings(double windowSeconds) {
  spectra::FieldStandardSettings s;
  s.windowLengthSeconds = windowSeconds;
  s.gridMinHz = 0.5;
  s.gridMaxHz = 20;
  s.gridPoints = 80;
  return s;
}

}  // namespace corvath::testing
