#include "app/settingsfile.h"

#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>

#include <nlohmann/json.hpp>

#include "app/atomicfile.h"
#include "app/inputfile.h"

namespace corvath::app {

namespace {

using json = nlohmann::ordered_json;

// What is wrong with a key's value; empty when it was taken.
using Why = std::string;

// One key of the file: how its value is read into the settings (answering why it is
// refused) and how it is written from them. A new setting is one more entry here.
struct SettingsKey {
  const char* name;
  std::function<Why(const json&, AnalysisSettings&)> read;
  std::function<json(const AnalysisSettings&)> write;
};

Why readNumber(const json& value, double& target) {
  if (!value.is_number() || !std::isfinite(value.get<double>())) return "must be a number";
  target = value.get<double>();
  return {};
}

Why readWhole(const json& value, int& target, int lower, int upper) {
  if (!value.is_number_integer()) return "must be a whole number";
  const long long v = value.get<long long>();
  if (v < lower || v > upper) return "must be from " + std::to_string(lower) + " to " + std::to_string(upper);
  target = static_cast<int>(v);
  return {};
}

Why readBoolean(const json& value, bool& target) {
  if (!value.is_boolean()) return "must be true or false";
  target = value.get<bool>();
  return {};
}

// A number key: field reaches its place in the settings; a value for which ok is false
// is refused as out of range.
template <typename Field>
SettingsKey rangedNumber(const char* name, Field field, bool (*ok)(double), const char* range) {
  return {name,
          [field, ok, range](const json& v, AnalysisSettings& s) -> Why {
            double value = 0.0;
            if (Why why = readNumber(v, value); !why.empty()) return why;
            if (!ok(value)) return std::string("must be ") + range;
            field(s) = value;
            return {};
          },
          [field](const AnalysisSettings& s) {
            AnalysisSettings copy = s;
            return json(field(copy));
          }};
}

// A band {"min_hz": ..., "max_hz": ...} with 0 < min < max.
Why readBand(const json& v, double& low, double& high) {
  if (!v.is_object()) return "must be an object {\"min_hz\": ..., \"max_hz\": ...}";
  double lo = low, hi = high;
  for (const auto& item : v.items()) {
    const std::string& key = item.key();
    if (key != "min_hz" && key != "max_hz") return "has no key '" + key + "'";
    if (Why why = readNumber(item.value(), key == "min_hz" ? lo : hi); !why.empty()) return "." + key + " " + why;
  }
  if (!(lo > 0.0) || !(hi > lo)) return "needs 0 < min_hz < max_hz";
  low = lo;
  high = hi;
  return {};
}

const std::vector<SettingsKey>& Keys() {
  using S = AnalysisSettings;
  static const std::vector<SettingsKey> keys = {
      rangedNumber("window_length_s", [](S& s) -> double& { return s.fieldStandard.windowLengthSeconds; },
                   [](double v) { return v > 0.0; }, "a positive number of seconds"),
      rangedNumber("overlap_percent", [](S& s) -> double& { return s.fieldStandard.overlapPercent; },
                   [](double v) { return v >= 0.0 && v < 100.0; }, "at least 0 and below 100"),
      rangedNumber("taper", [](S& s) -> double& { return s.fieldStandard.taperFraction; },
                   [](double v) { return v >= 0.0 && v <= 1.0; }, "from 0 to 1"),
      rangedNumber("ko_b", [](S& s) -> double& { return s.fieldStandard.bandwidth; },
                   [](double v) { return v > 0.0; }, "positive"),
      {"grid",
       [](const json& v, S& s) -> Why {
         if (!v.is_object()) return "must be an object {\"min_hz\": ..., \"max_hz\": ..., \"points\": ...}";
         spectra::FieldStandardSettings& f = s.fieldStandard;
         double lo = f.gridMinHz, hi = f.gridMaxHz;
         int points = f.gridPoints;
         for (const auto& item : v.items()) {
           const std::string& key = item.key();
           Why why;
           if (key == "min_hz")
             why = readNumber(item.value(), lo);
           else if (key == "max_hz")
             why = readNumber(item.value(), hi);
           else if (key == "points")
             why = readWhole(item.value(), points, 2, 100000);
           else
             return "has no key '" + key + "'";
           if (!why.empty()) return "." + key + " " + why;
         }
         if (!(lo > 0.0) || !(hi > lo)) return "needs 0 < min_hz < max_hz";
         f.gridMinHz = lo;
         f.gridMaxHz = hi;
         f.gridPoints = points;
         return {};
       },
       [](const S& s) {
         return json{{"min_hz", s.fieldStandard.gridMinHz},
                     {"max_hz", s.fieldStandard.gridMaxHz},
                     {"points", s.fieldStandard.gridPoints}};
       }},
      {"combine",
       [](const json& v, S& s) -> Why {
         const auto combination =
             v.is_string() ? spectra::HorizontalCombinationOfWord(v.get<std::string>()) : std::nullopt;
         if (!combination) return "must be \"geometric\", \"quadratic\" or \"arithmetic\"";
         s.fieldStandard.combination = *combination;
         return {};
       },
       [](const S& s) { return json(spectra::HorizontalCombinationName(s.fieldStandard.combination)); }},
      {"search",
       [](const json& v, S& s) -> Why {
         if (v.is_null()) {
           s.fieldStandard.search.reset();
           return {};
         }
         spectra::FrequencyBand band = s.fieldStandard.search.value_or(spectra::FrequencyBand{});
         if (Why why = readBand(v, band.lowHz, band.highHz); !why.empty()) return why;
         s.fieldStandard.search = band;
         return {};
       },
       [](const S& s) {
         if (!s.fieldStandard.search) return json(nullptr);
         return json{{"min_hz", s.fieldStandard.search->lowHz}, {"max_hz", s.fieldStandard.search->highHz}};
       }},
      {"reject",
       [](const json& v, S& s) -> Why {
         if (v.is_null()) {
           s.fieldStandard.reject = false;
           return {};
         }
         double n = 0.0;
         if (Why why = readNumber(v, n); !why.empty()) return "must be a number of standard deviations or null";
         if (!(n > 0.0)) return "must be positive (or null for no rejection)";
         s.fieldStandard.reject = true;
         s.fieldStandard.rejectionStdDevs = n;
         return {};
       },
       [](const S& s) { return s.fieldStandard.reject ? json(s.fieldStandard.rejectionStdDevs) : json(nullptr); }},
      // {"sta_s": 1, "lta_s": 30, "min": 0.2, "max": 2.5}, a missing key its default; null: off.
      {"sta_lta",
       [](const json& v, S& s) -> Why {
         if (v.is_null()) {
           s.fieldStandard.staLta.reset();
           return {};
         }
         if (!v.is_object()) return "must be an object {\"sta_s\", \"lta_s\", \"min\", \"max\"} or null";
         spectra::StaLtaSettings staLta;
         for (const auto& item : v.items()) {
           const std::string& key = item.key();
           double* target = key == "sta_s" ? &staLta.staSeconds
                            : key == "lta_s" ? &staLta.ltaSeconds
                            : key == "min"   ? &staLta.minRatio
                            : key == "max"   ? &staLta.maxRatio
                                             : nullptr;
           if (!target) return "has no key '" + key + "'";
           if (Why why = readNumber(item.value(), *target); !why.empty()) return "." + key + " " + why;
         }
         if (const numerics::Outcome check = spectra::CheckStaLtaSettings(staLta, 0.0); !check.done())
           return "is refused: " + check.message;
         s.fieldStandard.staLta = staLta;
         return {};
       },
       [](const S& s) {
         if (!s.fieldStandard.staLta) return json(nullptr);
         const spectra::StaLtaSettings& t = *s.fieldStandard.staLta;
         return json{{"sta_s", t.staSeconds}, {"lta_s", t.ltaSeconds}, {"min", t.minRatio}, {"max", t.maxRatio}};
       }},
      // Degrees between azimuths of the azimuthal H/V; null: none.
      {"azimuth_step_deg",
       [](const json& v, S& s) -> Why {
         if (v.is_null()) {
           s.fieldStandard.azimuthStepDegrees.reset();
           return {};
         }
         double step = 0.0;
         if (Why why = readNumber(v, step); !why.empty()) return why;
         if (!(step >= 0.5 && step <= 180.0)) return "must be from 0.5 to 180 degrees (or null)";
         s.fieldStandard.azimuthStepDegrees = step;
         return {};
       },
       [](const S& s) {
         return s.fieldStandard.azimuthStepDegrees ? json(*s.fieldStandard.azimuthStepDegrees) : json(nullptr);
       }},
      {"reject_passes",
       [](const json& v, S& s) -> Why { return readWhole(v, s.fieldStandard.rejectionIterations, 1, 10000); },
       [](const S& s) { return json(s.fieldStandard.rejectionIterations); }},
      rangedNumber("classic_min_hz", [](S& s) -> double& { return s.classic.minFrequencyHz; },
                   [](double v) { return v >= 0.0 && v <= 100.0; }, "from 0 to 100"),
      rangedNumber("classic_max_hz", [](S& s) -> double& { return s.classic.maxFrequencyHz; },
                   [](double v) { return v > 0.0 && v <= 100.0; }, "above 0 and at most 100"),
      {"classic_smoothed",
       [](const json& v, S& s) -> Why { return readBoolean(v, s.classic.smoothedSpectra); },
       [](const S& s) { return json(s.classic.smoothedSpectra); }},
  };
  return keys;
}

}  // namespace

Result<AnalysisSettings> ParseSettingsText(const std::string& text, const std::string& source) {
  auto refuse = [&](const std::string& key, const std::string& why) {
    return Outcome::Failed(source + ": '" + key + "' " + why, source);
  };
  json document;
  try {
    document = json::parse(text);
  } catch (const json::exception& e) {  // a syntax error, or a number beyond a double (out_of_range)
    return Outcome::Failed(source + ": not a settings file: " + e.what(), source);
  }
  if (!document.is_object()) return Outcome::Failed(source + ": not a settings file (no JSON object)", source);
  const auto marker = document.find(kSettingsMarker);
  if (marker == document.end())
    return Outcome::Failed(source + ": not a settings file (no '" + kSettingsMarker + "' key)", source);
  if (!marker->is_number_integer() || marker->get<long long>() != kSettingsVersion)
    return refuse(kSettingsMarker, "must be " + std::to_string(kSettingsVersion));

  AnalysisSettings settings;
  const auto& keys = Keys();
  for (const auto& item : document.items()) {
    if (item.key() == kSettingsMarker) continue;
    const SettingsKey* entry = nullptr;
    for (const SettingsKey& key : keys)
      if (item.key() == key.name) entry = &key;
    if (!entry) return refuse(item.key(), "is not a setting");
    if (Why why = entry->read(item.value(), settings); !why.empty())
      return why.front() == '.' ? refuse(item.key() + why.substr(0, why.find(' ')), why.substr(why.find(' ') + 1))
                                : refuse(item.key(), why);
  }
  if (!(settings.classic.maxFrequencyHz > settings.classic.minFrequencyHz))
    return refuse("classic_max_hz", "must be above classic_min_hz");
  if (const Outcome check = spectra::CheckFieldStandardSettings(settings.fieldStandard); !check.done())
    return Outcome::Failed(source + ": " + check.message, source);
  return settings;
}

Result<AnalysisSettings> ReadSettingsFile(const std::string& path) {
  const Result<std::string> text = ReadSmallTextFile(path);
  if (!text.done()) return text.outcome;
  return ParseSettingsText(*text, path);
}

std::string SettingsText(const AnalysisSettings& settings) {
  json document = {{kSettingsMarker, kSettingsVersion}};
  for (const SettingsKey& key : Keys()) document[key.name] = key.write(settings);
  // One key a line keeps the file easy to read and to compare.
  std::string text = "{\n";
  bool first = true;
  for (const auto& item : document.items()) {
    if (!first) text += ",\n";
    first = false;
    text += "  " + json(item.key()).dump() + ": " + item.value().dump();
  }
  return text + "\n}\n";
}

Outcome SaveSettingsFile(const std::string& path, const AnalysisSettings& settings) {
  return WriteFileAtomically(path, SettingsText(settings));
}

}  // namespace corvath::app
