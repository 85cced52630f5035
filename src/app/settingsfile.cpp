#include "app/settingsfile.h"

#include "app/atomicfile.h"
#include "app/inputfile.h"

namespace corvath::app {

SettingsJson SettingsFileObject(const AnalysisSettings& settings) {
  SettingsJson object = {{kSettingsMarker, kSettingsVersion}};
  WriteSettingKeys(spectra::FieldStandardSettingTable(), settings.fieldStandard, object);
  WriteSettingKeys(ClassicSettingTable(), settings.classic, object);
  return object;
}

Result<AnalysisSettings> ReadSettingsFileObject(const SettingsJson& document, const std::string& source,
                                            const std::string& prefix) {
  auto refuse = [&](const std::string& key, const std::string& why) {
    return Outcome::Failed(source + ": '" + prefix + key + "' " + why, source);
  };
  if (!document.is_object()) return Outcome::Failed(source + ": not a settings file (no JSON object)", source);
  const auto marker = document.find(kSettingsMarker);
  if (marker == document.end())
    return Outcome::Failed(source + ": not a settings file (no '" + kSettingsMarker + "' key)", source);
  if (!marker->is_number_integer() || marker->get<long long>() != kSettingsVersion)
    return refuse(kSettingsMarker, "must be " + std::to_string(kSettingsVersion));

  AnalysisSettings settings;
  for (const auto& item : document.items()) {
    if (item.key() == kSettingsMarker) continue;
    std::string key;
    std::optional<std::string> why =
        ReadSettingKey(spectra::FieldStandardSettingTable(), item.key(), item.value(), settings.fieldStandard, key);
    if (!why) why = ReadSettingKey(ClassicSettingTable(), item.key(), item.value(), settings.classic, key);
    if (!why) return refuse(item.key(), "is not a setting");
    if (!why->empty()) return refuse(key, *why);
  }
  if (const auto refused = numerics::FirstRefusedSetting(spectra::FieldStandardSettingTable(), settings.fieldStandard))
    return refuse(refused->setting ? refused->setting->key : refused->group->key, refused->why);
  if (!(settings.classic.maxFrequencyHz > settings.classic.minFrequencyHz))
    return refuse("classic_max_hz", "must be above classic_min_hz");
  if (const Outcome check = spectra::CheckSearchBandOnGrid(settings.fieldStandard); !check.done())
    return Outcome::Failed(source + ": " + check.message, source);
  return settings;
}

Result<AnalysisSettings> ParseSettingsText(const std::string& text, const std::string& source) {
  SettingsJson document;
  try {
    document = SettingsJson::parse(text);
  } catch (const SettingsJson::exception& e) {  // a syntax error, or a number beyond a double (out_of_range)
    return Outcome::Failed(source + ": not a settings file: " + e.what(), source);
  }
  return ReadSettingsFileObject(document, source);
}

Result<AnalysisSettings> ReadSettingsFile(const std::string& path) {
  const Result<std::string> text = ReadSmallTextFile(path);
  if (!text.done()) return text.outcome;
  return ParseSettingsText(*text, path);
}

std::string SettingsText(const AnalysisSettings& settings) {
  // One key a line keeps the file easy to read and to compare.
  std::string text = "{\n";
  bool first = true;
  const SettingsJson object = SettingsFileObject(settings);
  for (const auto& item : object.items()) {
    if (!first) text += ",\n";
    first = false;
    text += "  " + SettingsJson(item.key()).dump() + ": " + item.value().dump();
  }
  return text + "\n}\n";
}

Outcome SaveSettingsFile(const std::string& path, const AnalysisSettings& settings) {
  return WriteFileAtomically(path, SettingsText(settings));
}

}  // namespace corvath::app
