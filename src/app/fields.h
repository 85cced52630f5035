#pragma once
// The number fields of the window as a command reads them: the text becomes a
// number here, once, with TextToNumber; an unreadable text is refused with a
// message naming the field.
#include <optional>
#include <string_view>

#include "app/commands.h"

namespace corvath::app {

//! The value of a number field (TextToNumber without bounds), or Failed with
//! "<label> \"<text>\" is not a number".
Outcome ReadNumberField(std::string_view label, std::string_view text, double& value);

//! "Min frq" and "Max frq" of the panel and the "Smoothed spectra" toggle as the
//! settings of "Calculate spectra"; Failed naming the first unreadable field.
Outcome ReadSpectraSettings(std::string_view minFrqText, std::string_view maxFrqText, bool logAveraging,
                            SpectraSettings& settings);

}  // namespace corvath::app
