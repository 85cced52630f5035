#pragma once
// Settings files: the field-standard settings and the classic ones as one JSON object
// marked {"corvath_settings": 1, ...}, each key read and written through the settings'
// tables (spectra/fieldstandardsettings.h, app/classicsettings.h). A missing key keeps
// its default, null switches an optional setting off, and an unknown key, a wrong type
// or a value out of range is refused naming the key and the file. Written with every
// key, so that a file states exactly what a run used. A session holds the same object.
#include <string>

#include "app/classicsettings.h"
#include "app/outcome.h"
#include "app/settingsjson.h"
#include "spectra/fieldstandardsettings.h"

namespace corvath::app {

//! Everything a settings file holds.
struct AnalysisSettings {
  spectra::FieldStandardSettings fieldStandard;
  ClassicSettings classic;
  bool operator==(const AnalysisSettings&) const = default;
};

//! The marker key, first in every settings file, and the version it carries.
inline constexpr const char* kSettingsMarker = "corvath_settings";
inline constexpr int kSettingsVersion = 1;

//! The settings as the file's JSON object: the marker, then every key.
SettingsJson SettingsFileObject(const AnalysisSettings& settings);

//! The settings of a file's JSON object; Failed "SOURCE: 'PREFIXKEY' why" for anything
//! that cannot be used (prefix places the object inside a larger one: "settings.analysis.").
Result<AnalysisSettings> ReadSettingsFileObject(const SettingsJson& object, const std::string& source,
                                            const std::string& prefix = {});

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
