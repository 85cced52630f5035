#pragma once
// Settings files: the field-standard settings and the classic ones as one JSON object
// marked {"corvath_settings": 1, ...}. A missing key keeps its default, null switches
// an optional setting off, and an unknown key, a wrong type or a value out of range is
// refused naming the key and the file. Written with every key, so that a file states
// exactly what a run used.
#include <string>

#include "app/outcome.h"
#include "spectra/fieldstandard.h"

namespace corvath::app {

//! The classic computation's settings ("Min frq", "Max frq", "Smoothed spectra").
struct ClassicSettings {
  double minFrequencyHz = 1.0;
  double maxFrequencyHz = 20.0;
  bool smoothedSpectra = true;
};

//! Everything a settings file holds.
struct AnalysisSettings {
  spectra::FieldStandardSettings fieldStandard;
  ClassicSettings classic;
};

//! The marker key, first in every settings file, and the version it carries.
inline constexpr const char* kSettingsMarker = "corvath_settings";
inline constexpr int kSettingsVersion = 1;

//! The settings in text (source names the file in messages); Failed "SOURCE: 'KEY' why"
//! for anything that cannot be used.
Result<AnalysisSettings> ParseSettingsText(const std::string& text, const std::string& source);

//! The settings file at path; Failed naming the file when it cannot be read or used.
Result<AnalysisSettings> ReadSettingsFile(const std::string& path);

//! The settings as a file's text: every key, one per line, numbers in their shortest
//! round-trip form; ends with a line end.
std::string SettingsText(const AnalysisSettings& settings);

//! Writes SettingsText to path atomically.
Outcome SaveSettingsFile(const std::string& path, const AnalysisSettings& settings);

}  // namespace corvath::app
