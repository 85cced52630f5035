#include "spectra/fieldstandardsettings.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "numerics/numbertext.h"
#include "spectra/fieldstandard.h"

namespace corvath::spectra {

namespace {

using numerics::Between;
using numerics::kAnyNumber;
using numerics::kPositive;
using numerics::SettingKind;
using numerics::SettingRange;
using S = FieldStandardSettings;

std::string text(double v) { return numerics::SettingValueText(v); }

constexpr const char* kCombinationWords[] = {kHorizontalCombinations[0].word, kHorizontalCombinations[1].word,
                                             kHorizontalCombinations[2].word};

// The automatic windows' overlap: at least 0 % and below 100 %.
constexpr SettingRange kOverlap{0.0, true, 100.0, false};

std::string bandCheck(double low, double high) {
  return low > 0.0 && high > low ? std::string() : std::string("needs 0 < min_hz < max_hz");
}

StaLtaSettings& staLtaOf(S& s) {
  if (!s.staLta) s.staLta.emplace();
  return *s.staLta;
}
StaLtaSettings staLtaOf(const S& s) { return s.staLta.value_or(StaLtaSettings{}); }

FrequencyBand& searchOf(S& s) {
  if (!s.search) s.search.emplace();
  return *s.search;
}

// Off rows and groups read back their value when on: the search band the grid, the
// STA/LTA its defaults, the azimuth step kAzimuthStepDegreesWhenOn.
const numerics::Setting<S> kSettings[] = {
    {"window_length_s", "Window, s", "the window length", "s", SettingKind::Number, kPositive,
     [](const S& s) { return s.windowLengthSeconds; }, [](S& s, double v) { s.windowLengthSeconds = v; }},
    {"overlap_percent", "Overlap, %", "the overlap", "%", SettingKind::Number, kOverlap,
     [](const S& s) { return s.overlapPercent; }, [](S& s, double v) { s.overlapPercent = v; }},
    {"taper", "Taper", "the taper fraction", "", SettingKind::Number, Between(0.0, 1.0),
     [](const S& s) { return s.taperFraction; }, [](S& s, double v) { s.taperFraction = v; }},
    {"ko_b", "K-O b", "the Konno-Ohmachi bandwidth b", "", SettingKind::Number, kPositive,
     [](const S& s) { return s.bandwidth; }, [](S& s, double v) { s.bandwidth = v; }},
    {"grid.min_hz", "Grid from, Hz", "the grid's lowest frequency", "Hz", SettingKind::Number, kAnyNumber,
     [](const S& s) { return s.gridMinHz; }, [](S& s, double v) { s.gridMinHz = v; }},
    {"grid.max_hz", "Grid to, Hz", "the grid's highest frequency", "Hz", SettingKind::Number, kAnyNumber,
     [](const S& s) { return s.gridMaxHz; }, [](S& s, double v) { s.gridMaxHz = v; }},
    {"grid.points", "Grid points", "the grid's number of points", "", SettingKind::Whole, Between(2, 100000),
     [](const S& s) { return double(s.gridPoints); }, [](S& s, double v) { s.gridPoints = int(v); }},
    {"combine", "Combine", "the horizontal combination", "", SettingKind::Choice, Between(0, 2),
     [](const S& s) {
       for (std::size_t i = 0; i < kHorizontalCombinations.size(); ++i)
         if (kHorizontalCombinations[i].combination == s.combination) return double(i);
       return 0.0;
     },
     [](S& s, double v) { s.combination = kHorizontalCombinations.at(std::size_t(v)).combination; }, nullptr, nullptr,
     nullptr, kCombinationWords},
    {"search.min_hz", "Search from, Hz", "the search band's lowest frequency", "Hz", SettingKind::Number, kAnyNumber,
     [](const S& s) { return s.search ? s.search->lowHz : s.gridMinHz; },
     [](S& s, double v) { searchOf(s).lowHz = v; }},
    {"search.max_hz", "Search to, Hz", "the search band's highest frequency", "Hz", SettingKind::Number, kAnyNumber,
     [](const S& s) { return s.search ? s.search->highHz : s.gridMaxHz; },
     [](S& s, double v) { searchOf(s).highHz = v; }},
    {"reject", "n sigma", "the rejection's number of standard deviations", "", SettingKind::Number, kPositive,
     [](const S& s) { return s.rejectionStdDevs; },
     [](S& s, double v) {
       s.reject = true;
       s.rejectionStdDevs = v;
     },
     [](const S& s) { return s.reject; },
     [](S& s) { s.reject = false; },
     "no rejection"},
    {"sta_lta.sta_s", "STA, s", "the STA length", "s", SettingKind::Number, kPositive,
     [](const S& s) { return staLtaOf(s).staSeconds; }, [](S& s, double v) { staLtaOf(s).staSeconds = v; }},
    {"sta_lta.lta_s", "LTA, s", "the LTA length", "s", SettingKind::Number, kPositive,
     [](const S& s) { return staLtaOf(s).ltaSeconds; }, [](S& s, double v) { staLtaOf(s).ltaSeconds = v; }},
    {"sta_lta.min", "STA/LTA min", "the STA/LTA lower bound", "", SettingKind::Number, kAnyNumber,
     [](const S& s) { return staLtaOf(s).minRatio; }, [](S& s, double v) { staLtaOf(s).minRatio = v; }},
    {"sta_lta.max", "STA/LTA max", "the STA/LTA upper bound", "", SettingKind::Number, kAnyNumber,
     [](const S& s) { return staLtaOf(s).maxRatio; }, [](S& s, double v) { staLtaOf(s).maxRatio = v; }},
    {"azimuth_step_deg", "Azimuth step, deg", "the azimuth step", "deg", SettingKind::Number, Between(0.5, 180.0),
     [](const S& s) { return s.azimuthStepDegrees.value_or(kAzimuthStepDegreesWhenOn); },
     [](S& s, double v) { s.azimuthStepDegrees = v; }, [](const S& s) { return s.azimuthStepDegrees.has_value(); },
     [](S& s) { s.azimuthStepDegrees.reset(); }, ""},
    {"reject_passes", "Passes", "the rejection's number of passes", "", SettingKind::Whole, Between(1, 10000),
     [](const S& s) { return double(s.rejectionIterations); }, [](S& s, double v) { s.rejectionIterations = int(v); }},
};

const numerics::SettingGroup<S> kGroups[] = {
    {"grid", "the grid", nullptr, nullptr, nullptr, [](const S& s) { return bandCheck(s.gridMinHz, s.gridMaxHz); }},
    {"search", "the search band", [](const S& s) { return s.search.has_value(); },
     [](S& s) { searchOf(s); }, [](S& s) { s.search.reset(); },
     [](const S& s) { return bandCheck(s.search->lowHz, s.search->highHz); }},
    {"sta_lta", "the STA/LTA selection", [](const S& s) { return s.staLta.has_value(); },
     [](S& s) { staLtaOf(s); }, [](S& s) { s.staLta.reset(); },
     [](const S& s) {
       const numerics::Outcome check = CheckStaLtaSettings(*s.staLta, 0.0);
       return check.done() ? std::string() : "is refused: " + check.message;
     }},
};

}  // namespace

const char* HorizontalCombinationName(HorizontalCombination combination) {
  for (const HorizontalCombinationEntry& entry : kHorizontalCombinations)
    if (entry.combination == combination) return entry.name;
  return "";
}

std::optional<HorizontalCombination> HorizontalCombinationOfWord(std::string_view word) {
  for (const HorizontalCombinationEntry& entry : kHorizontalCombinations)
    if (word == entry.word) return entry.combination;
  return std::nullopt;
}

const numerics::SettingTable<FieldStandardSettings>& FieldStandardSettingTable() {
  static const numerics::SettingTable<FieldStandardSettings> table{kSettings, kGroups};
  return table;
}

numerics::Outcome CheckFieldStandardSettings(const FieldStandardSettings& s) {
  if (numerics::Outcome ranges = numerics::CheckSettingRanges(FieldStandardSettingTable(), s); !ranges.done())
    return ranges;
  return CheckSearchBandOnGrid(s);
}

numerics::Outcome CheckSearchBandOnGrid(const FieldStandardSettings& s) {
  const FrequencyBand band = s.search.value_or(FrequencyBand{s.gridMinHz, s.gridMaxHz});
  const std::vector<double> grid = LogFrequencyGrid(s.gridMinHz, s.gridMaxHz, s.gridPoints);
  if (std::none_of(grid.begin(), grid.end(), [&](double f) { return f >= band.lowHz && f <= band.highHz; }))
    return numerics::Outcome::Failed("no grid frequency lies in the search band " + text(band.lowHz) + " to " +
                                     text(band.highHz) + " Hz");
  return numerics::Outcome::Done();
}

}  // namespace corvath::spectra
