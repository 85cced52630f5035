#pragma once
// The ".hv" curve file the field's tools exchange: '#' header lines with the peak
// (from the mean curve and from the windows), the station's position and the
// column names, then "frequency average min max" rows separated by tabs, min and
// max being the average divided and multiplied by the lognormal standard
// deviation factor.
#include <cstddef>
#include <ostream>
#include <string>

#include "spectra/fieldstandard.h"

namespace corvath::spectra {

//! Where the station stands, as the header's "Position" line gives it.
struct HvPosition {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

//! Writes the result's mean curve with its lower and upper curves in the ".hv"
//! layout, every number in the shortest text that reads back to the same double.
void WriteHvFile(std::ostream& out, const FieldStandardResult& result, const HvPosition& position = {});

}  // namespace corvath::spectra
