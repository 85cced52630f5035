#pragma once
// The results table of "Save results" ("Spectrum to text file") and the bounds table
// of the batch command: 23-character exponent values, CR LF line ends.
#include <ostream>

#include "spectra/calculatespectra.h"

namespace corvath::spectra {

//! Heading "f,Hz   X  Y  Z  H/Z", then per frequency of the averaged X spectrum its
//! frequency (Hz), the X, Y, Z amplitudes and the ratio; rows missing a value are left out.
void WriteSpectrumTable(std::ostream& out, const SpectraResult& result);

//! Heading "f,Hz   H/Z  lower  upper", then frequency (Hz), ratio and its two bounds per point.
void WriteBoundsTable(std::ostream& out, const RatioCurve& ratio);

}  // namespace corvath::spectra
