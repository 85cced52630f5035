#pragma once
// The settings of the field-standard H/V computation, their table of keys, captions,
// units and ranges, and their check.
#include <array>
#include <optional>
#include <string_view>

#include "numerics/outcome.h"
#include "numerics/settingtable.h"
#include "spectra/stalta.h"

namespace corvath::spectra {

//! How the two horizontal amplitude spectra N and E become one.
enum class HorizontalCombination {
  Geometric,   //!< sqrt(N E)
  Quadratic,   //!< sqrt((N^2 + E^2) / 2)
  Arithmetic,  //!< (N + E) / 2
};

//! The combined horizontal amplitude of n and e.
double CombineHorizontal(HorizontalCombination combination, double n, double e);

//! One horizontal combination: its value, its name as the window's "Combine" list
//! and the report show it, and its word after --combine on the command line.
struct HorizontalCombinationEntry {
  HorizontalCombination combination;
  const char* name;
  const char* word;
};

//! Every horizontal combination, in the order of the "Combine" list (the default first).
inline constexpr std::array<HorizontalCombinationEntry, 3> kHorizontalCombinations = {{
    {HorizontalCombination::Geometric, "geometric", "geometric"},
    {HorizontalCombination::Quadratic, "quadratic", "quadratic"},
    {HorizontalCombination::Arithmetic, "arithmetic", "arithmetic"},
}};

//! The combination's name from kHorizontalCombinations ("geometric", "quadratic" or "arithmetic").
const char* HorizontalCombinationName(HorizontalCombination combination);

//! The combination whose command-line word is `word`, none for any other text.
std::optional<HorizontalCombination> HorizontalCombinationOfWord(std::string_view word);

//! A frequency band, both ends inclusive (Hz).
struct FrequencyBand {
  double lowHz = 0.0;
  double highHz = 0.0;
  bool operator==(const FrequencyBand&) const = default;
};

struct FieldStandardSettings {
  double windowLengthSeconds = 60.0;  //!< automatic windows: length (s)
  double overlapPercent = 0.0;        //!< automatic windows: overlap (%)
  double taperFraction = 0.05;        //!< share of each window inside the Tukey taper's cosine ends
  HorizontalCombination combination = HorizontalCombination::Geometric;
  double bandwidth = 40.0;            //!< Konno-Ohmachi b
  double gridMinHz = 0.2;             //!< lowest grid frequency
  double gridMaxHz = 20.0;            //!< highest grid frequency
  int gridPoints = 256;               //!< logarithmically spaced
  std::optional<FrequencyBand> search;  //!< band of the peak search; none means the whole grid
  bool reject = true;                 //!< frequency-domain window rejection
  double rejectionStdDevs = 2.0;      //!< n of the rejection
  int rejectionIterations = 50;       //!< at most this many passes
  //! STA/LTA anti-trigger selection of the automatic windows; none: every window is a
  //! candidate. The ratios of every window are measured (with these or the default
  //! lengths) and reported either way.
  std::optional<StaLtaSettings> staLta;
  //! Azimuthal H/V every this many degrees from 0 to below 180; none: not computed.
  std::optional<double> azimuthStepDegrees;
  bool operator==(const FieldStandardSettings&) const = default;
};

//! The azimuth step a switched-on azimuthal H/V takes when none is given (degrees).
inline constexpr double kAzimuthStepDegreesWhenOn = 15.0;

//! The settings' rows: keys as settings files write them, the form's captions, units,
//! ranges (see numerics/settingtable.h for how to add one).
const numerics::SettingTable<FieldStandardSettings>& FieldStandardSettingTable();

//! Done when the settings can be used, else Failed saying why (the values quoted): every
//! row of the table within its range, the groups fitting together, a grid point in the
//! search band.
numerics::Outcome CheckFieldStandardSettings(const FieldStandardSettings& settings);

//! The last part of CheckFieldStandardSettings, for settings whose table rows were
//! checked already: a grid frequency lies in the search band.
numerics::Outcome CheckSearchBandOnGrid(const FieldStandardSettings& settings);


}  // namespace corvath::spectra
