#pragma once
// The classic computation's settings ("Min frq", "Max frq", "Smoothed spectra") and
// their table of keys, captions and ranges (see numerics/settingtable.h).
#include "numerics/settingtable.h"

namespace corvath::app {

struct ClassicSettings {
  double minFrequencyHz = 1.0;   //!< "Min frq"
  double maxFrequencyHz = 20.0;  //!< "Max frq"
  bool smoothedSpectra = true;   //!< "Smoothed spectra": means of logarithms
  bool operator==(const ClassicSettings&) const = default;
};

//! The rows of the classic settings, as settings files write them.
const numerics::SettingTable<ClassicSettings>& ClassicSettingTable();

}  // namespace corvath::app
