#include "app/session.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>

#include <nlohmann/json.hpp>

#include "app/atomicfile.h"
#include "app/inputfile.h"
#include "app/settingsjson.h"

namespace corvath::app {
namespace {

// Keys in the order written, the marker first.
using json = nlohmann::ordered_json;
using inversion::kParameterCount;
using numerics::Complex;

// The parameters under their column names, in table order.
constexpr const char* kParameterKeys[kParameterCount] = {"H", "Vp", "Vs", "Rho", "Qp", "Qs"};

using numerics::SettingKind;

// The window's own settings beside the analysis ones: the choice of method, the
// "1D inversion" panel and the zoom, under the keys sessions have always used.
constexpr const char* kMethodWords[] = {"classic", "fieldStandard"};

const numerics::SettingTable<WindowSettings>& WindowSettingTable() {
  using W = WindowSettings;
  static const numerics::Setting<W> rows[] = {
      {"method", "", "the method", "", SettingKind::Choice, numerics::Between(0, 1),
       [](const W& s) { return s.fieldStandard ? 1.0 : 0.0; }, [](W& s, double v) { s.fieldStandard = v != 0.0; },
       nullptr, nullptr, nullptr, kMethodWords},
      {"layersNumber", "Layers number", "the number of layers", "", SettingKind::Whole,
       numerics::Between(inversion::kMinLayers, inversion::kMaxLayers),
       [](const W& s) { return double(s.layersNumber); }, [](W& s, double v) { s.layersNumber = int(v); }},
      {"iterNumber", "Iter number", "the number of iterations", "", SettingKind::Whole,
       inversion::InversionSettingTable().find("iterNumber")->range,
       [](const W& s) { return double(s.iterNumber); }, [](W& s, double v) { s.iterNumber = int(v); }},
      {"globalSearch", "Global search", "the global search", "", SettingKind::Flag, numerics::Between(0, 1),
       [](const W& s) { return s.globalSearch ? 1.0 : 0.0; }, [](W& s, double v) { s.globalSearch = v != 0.0; }},
      {"optimizeReferenceFrequency", "", "the reference frequency's optimisation", "", SettingKind::Flag,
       numerics::Between(0, 1), [](const W& s) { return s.optimizeReferenceFrequency ? 1.0 : 0.0; },
       [](W& s, double v) { s.optimizeReferenceFrequency = v != 0.0; }},
      {"optimizeDispersionExponent", "", "the dispersion exponent's optimisation", "", SettingKind::Flag,
       numerics::Between(0, 1), [](const W& s) { return s.optimizeDispersionExponent ? 1.0 : 0.0; },
       [](W& s, double v) { s.optimizeDispersionExponent = v != 0.0; }},
      {"ratioConstraint", "Vp/Vs Qp/Qs constraint", "the ratio constraint", "", SettingKind::Flag,
       numerics::Between(0, 1), [](const W& s) { return s.ratioConstraint ? 1.0 : 0.0; },
       [](W& s, double v) { s.ratioConstraint = v != 0.0; }},
      {"referenceFrequencyHz", "Ref frq", "the reference frequency", "Hz", SettingKind::Number, numerics::kAnyNumber,
       [](const W& s) { return s.referenceFrequencyHz; }, [](W& s, double v) { s.referenceFrequencyHz = v; }},
      {"dispersionExponent", "K degree", "the dispersion exponent", "", SettingKind::Number, numerics::kAnyNumber,
       [](const W& s) { return s.dispersionExponent; }, [](W& s, double v) { s.dispersionExponent = v; }},
      {"zoomFactor", "", "the zoom factor", "", SettingKind::Number, numerics::Between(1.0, 10.0),
       [](const W& s) { return s.zoomFactor; }, [](W& s, double v) { s.zoomFactor = v; }},
  };
  static const numerics::SettingTable<WindowSettings> table{rows};
  return table;
}

// ---- Writing ---------------------------------------------------------------------

json WindowSettingsObject(const WindowSettings& s) {
  json out = {{"analysis", SettingsFileObject(s.analysis)}};
  WriteSettingKeys(WindowSettingTable(), s, out);
  return out;
}

json PairJson(const Complex& c) { return json::array({c.re, c.im}); }

template <typename T, typename Convert>
json PerParameterJson(const inversion::PerParameter<T>& values, Convert convert) {
  json out = json::object();
  for (int p = 0; p < kParameterCount; ++p) out[kParameterKeys[p]] = convert(values[p]);
  return out;
}

json ModelJson(const inversion::amodel& model) {
  auto pairs = [](const numerics::arofcomplexM& limits) {
    json out = json::array();
    for (const Complex& c : limits) out.push_back(PairJson(c));
    return out;
  };
  auto flags = [](const numerics::arofboolM& bits) {
    json out = json::array();
    for (bool b : bits) out.push_back(b);
    return out;
  };
  return {{"values", PerParameterJson(model.values, [](const numerics::arofdoubleM& v) { return json(v); })},
          {"limits", PerParameterJson(model.layerLimits, pairs)},
          {"invert", PerParameterJson(model.invertFlags, flags)}};
}

json TablesJson(const inversion::ModelTables& t) {
  auto number = [](double v) { return json(v); };
  auto flag = [](bool v) { return json(v); };
  return {{"StartValues", PerParameterJson(t.StartValues, number)},
          {"IncFactors", PerParameterJson(t.IncFactors, number)},
          {"HardLimits", PerParameterJson(t.HardLimits, PairJson)},
          {"UserLimits", PerParameterJson(t.UserLimits, PairJson)},
          {"InvertDefaults", PerParameterJson(t.InvertDefaults, flag)},
          {"SelectedParameter", t.SelectedParameter}};
}

json SessionObject(const Session& session) {
  json out = {{kSessionMarker, kSessionVersion}};
  if (session.record) {
    const SessionRecord& r = *session.record;
    json record = {{"format", std::string(import::InfoOf(r.format).name)}, {"files", r.paths}};
    if (r.channels) record["channels"] = {r.channels->first, r.channels->second, r.channels->third};
    out["record"] = record;
  }
  json windows = json::array();
  for (const windows::Interval& w : session.windows) windows.push_back({w.start, w.end});
  out["windows"] = windows;
  out["settings"] = WindowSettingsObject(session.settings);
  if (session.model) out["model"] = ModelJson(*session.model);
  out["tables"] = TablesJson(session.tables);
  json computed = json::object();
  if (const auto& o = session.computed.observedCurve) computed["observedCurve"] = *o;
  if (const auto& c = session.computed.classic) {
    computed["classic"] = json::object();
    WriteSettingKeys(ClassicSettingTable(), *c, computed["classic"]);
  }
  if (const auto& f = session.computed.fieldStandard) {
    computed["fieldStandard"] = json::object();
    WriteSettingKeys(spectra::FieldStandardSettingTable(), *f, computed["fieldStandard"]);
  }
  if (const auto& t = session.computed.theoreticalCurve)
    computed["theoreticalCurve"] = {{"referenceFrequencyHz", t->referenceFrequencyHz},
                                    {"dispersionExponent", t->dispersionExponent}};
  out["computed"] = computed;
  return out;
}

// ---- Reading ---------------------------------------------------------------------

// Reads values out of a parsed text; the first refusal ends the reading and names the
// key by its dotted path and the file.
class Reader {
public:
  explicit Reader(std::string source) : source_(std::move(source)) {}

  bool ok() const { return error_.empty(); }
  Outcome failure() const { return Outcome::Failed(message_.empty() ? source_ + ": " + error_ : message_, source_); }
  //! Ends the reading with another reader's refusal (its message names the file already).
  void refuse(const Outcome& refused) {
    if (ok()) error_ = message_ = refused.message;
  }
  const std::string& source() const { return source_; }
  void refuse(const std::string& key, const std::string& why) {
    if (ok()) error_ = "'" + key + "' " + why;
  }

  // True when value is an object holding none but the given keys.
  bool object(const json& value, const std::string& path, std::initializer_list<const char*> keys) {
    if (!ok()) return false;
    if (!value.is_object()) {
      refuse(path, "must be an object");
      return false;
    }
    for (const auto& item : value.items()) {
      bool known = false;
      for (const char* key : keys) known = known || item.key() == key;
      if (!known) {
        refuse(Join(path, item.key()), "is not a key of a session");
        return false;
      }
    }
    return true;
  }

  static std::string Join(const std::string& path, const std::string& key) {
    return path.empty() ? key : path + "." + key;
  }

  bool number(const json& value, const std::string& key, double& target) {
    if (!value.is_number() || !std::isfinite(value.get<double>())) {
      refuse(key, "must be a number");
      return false;
    }
    target = value.get<double>();
    return true;
  }
  bool integer(const json& value, const std::string& key, int& target, int lower, int upper) {
    if (!value.is_number_integer()) {
      refuse(key, "must be a whole number");
      return false;
    }
    const long long v = value.get<long long>();
    if (v < lower || v > upper) {
      refuse(key, "must be from " + std::to_string(lower) + " to " + std::to_string(upper));
      return false;
    }
    target = static_cast<int>(v);
    return true;
  }
  bool boolean(const json& value, const std::string& key, bool& target) {
    if (!value.is_boolean()) {
      refuse(key, "must be true or false");
      return false;
    }
    target = value.get<bool>();
    return true;
  }
  bool text(const json& value, const std::string& key, std::string& target) {
    if (!value.is_string()) {
      refuse(key, "must be a text");
      return false;
    }
    target = value.get<std::string>();
    return true;
  }
  bool pair(const json& value, const std::string& key, Complex& target) {
    if (!value.is_array() || value.size() != 2) {
      refuse(key, "must be a pair of numbers");
      return false;
    }
    return number(value[0], key, target.re) && number(value[1], key, target.im);
  }
  bool array(const json& value, const std::string& key) {
    if (!value.is_array()) refuse(key, "must be a list");
    return ok();
  }

  // The member key of object, when present, through read(value, dotted key).
  template <typename Read>
  void member(const json& object, const std::string& path, const char* key, Read read) {
    if (!ok()) return;
    const auto found = object.find(key);
    if (found != object.end()) read(*found, Join(path, key));
  }

private:
  std::string source_;
  std::string error_;
  std::string message_;
};

// The keys of an object through a settings table: each key known to it, of its type and
// within its range, and then its groups fitting together.
template <class S>
void ReadTableKeys(Reader& r, const json& j, const std::string& path, const numerics::SettingTable<S>& table, S& s) {
  if (!r.ok()) return;
  if (!j.is_object()) return r.refuse(path, "must be an object");
  for (const auto& item : j.items()) {
    std::string refused;
    const std::optional<std::string> why = ReadSettingKey(table, item.key(), item.value(), s, refused);
    if (!why) return r.refuse(Reader::Join(path, item.key()), "is not a key of a session");
    if (!why->empty()) return r.refuse(Reader::Join(path, refused), *why);
  }
  if (const auto refused = numerics::FirstRefusedSetting(table, s))
    r.refuse(Reader::Join(path, refused->setting ? refused->setting->key : refused->group->key), refused->why);
}

// Version 1 sessions: the field-standard form under its own keys, and the table rows
// they stand for.
constexpr std::pair<const char*, const char*> kFormatOneForm[] = {
    {"windowSeconds", "window_length_s"},  {"overlapPercent", "overlap_percent"}, {"taper", "taper"},
    {"bandwidth", "ko_b"},                 {"gridMinHz", "grid.min_hz"},          {"gridMaxHz", "grid.max_hz"},
    {"gridPoints", "grid.points"},         {"combination", "combine"},            {"rejectPasses", "reject_passes"},
    {"azimuthStepDegrees", "azimuth_step_deg"}, {"search.lowHz", "search.min_hz"}, {"search.highHz", "search.max_hz"},
    {"staLta.staSeconds", "sta_lta.sta_s"}, {"staLta.ltaSeconds", "sta_lta.lta_s"}, {"staLta.min", "sta_lta.min"},
    {"staLta.max", "sta_lta.max"},
};

const char* FormatOneRow(const std::string& key) {
  for (const auto& [old, row] : kFormatOneForm)
    if (key == old) return row;
  return nullptr;
}

void ReadFormatOneForm(Reader& r, const json& j, const std::string& path, FieldStandardSettings& s) {
  if (!r.object(j, path, {"windowSeconds", "overlapPercent", "taper", "bandwidth", "gridMinHz", "gridMaxHz",
                          "gridPoints", "combination", "reject", "rejectSigmas", "rejectPasses", "search", "staLta",
                          "azimuthStepDegrees"}))
    return;
  const auto& table = spectra::FieldStandardSettingTable();
  bool reject = s.reject;
  // One value: the old key, read as the row it stands for.
  auto readValue = [&](const std::string& oldKey, const json& v, const std::string& k) {
    const numerics::Setting<FieldStandardSettings>* row = table.find(FormatOneRow(oldKey));
    if (const std::string why = ReadSettingValue(*row, v, s); !why.empty()) r.refuse(k, why);
  };
  for (const auto& item : j.items()) {
    const std::string& key = item.key();
    const std::string k = Reader::Join(path, key);
    const json& v = item.value();
    if (key == "reject") {
      r.boolean(v, k, reject);
    } else if (key == "rejectSigmas") {  // the form keeps its n while the rejection is off
      r.number(v, k, s.rejectionStdDevs);
    } else if (key == "search" || key == "staLta") {
      const numerics::SettingGroup<FieldStandardSettings>* group = table.group(key == "search" ? "search" : "sta_lta");
      if (v.is_null()) {
        group->switchOff(s);
        continue;
      }
      if (!r.object(v, k, key == "search" ? std::initializer_list<const char*>{"lowHz", "highHz"}
                                          : std::initializer_list<const char*>{"staSeconds", "ltaSeconds", "min", "max"}))
        return;
      group->switchOn(s);
      for (const auto& inner : v.items()) readValue(key + "." + inner.key(), inner.value(), Reader::Join(k, inner.key()));
    } else {
      readValue(key, v, k);
    }
    if (!r.ok()) return;
  }
  // A rejection that is off keeps no n, as in a settings file.
  s.reject = reject;
  if (!reject) s.rejectionStdDevs = FieldStandardSettings{}.rejectionStdDevs;
  if (const auto refused = numerics::FirstRefusedSetting(table, s))
    r.refuse(refused->setting ? Reader::Join(path, refused->setting->key) : Reader::Join(path, refused->group->key),
             refused->why);
}

// The settings object: version 2 holds the analysis settings as a settings file's
// object under "analysis"; version 1 held the classic fields at the top and the
// field-standard form under "fieldStandard".
void ReadSettings(Reader& r, const json& j, const std::string& path, WindowSettings& s, int version) {
  if (!r.ok()) return;
  if (!j.is_object()) return r.refuse(path, "must be an object");
  const auto& table = WindowSettingTable();
  for (const auto& item : j.items()) {
    const std::string& key = item.key();
    const std::string k = Reader::Join(path, key);
    const json& v = item.value();
    std::string refused;
    if (const std::optional<std::string> why = ReadSettingKey(table, key, v, s, refused)) {
      if (!why->empty()) r.refuse(Reader::Join(path, refused), *why);
    } else if (version >= 2 && key == "analysis") {
      const Result<AnalysisSettings> analysis = ReadSettingsFileObject(v, r.source(), k + ".");
      if (analysis.done())
        s.analysis = *analysis;
      else
        r.refuse(analysis.outcome);
    } else if (version < 2 && key == "fieldStandard") {
      ReadFormatOneForm(r, v, k, s.analysis.fieldStandard);
    } else if (version < 2 && (key == "minFrequencyHz" || key == "maxFrequencyHz" || key == "smoothedSpectra")) {
      const char* row = key == "minFrequencyHz" ? "classic_min_hz" : key == "maxFrequencyHz" ? "classic_max_hz"
                                                                                             : "classic_smoothed";
      if (const std::string why = ReadSettingValue(*ClassicSettingTable().find(row), v, s.analysis.classic);
          !why.empty())
        r.refuse(k, why);
    } else {
      r.refuse(k, "is not a key of a session");
    }
    if (!r.ok()) return;
  }
}

void ReadRecord(Reader& r, const json& j, const std::string& path, const std::string& folder, SessionRecord& record) {
  if (!r.object(j, path, {"format", "files", "channels"})) return;
  r.member(j, path, "format", [&](const json& v, const std::string& k) {
    std::string name;
    if (!r.text(v, k, name)) return;
    if (const auto format = import::FormatFromName(name))
      record.format = *format;
    else
      r.refuse(k, "is no kind of record: \"" + name + "\"");
  });
  if (!j.contains("files")) return r.refuse(Reader::Join(path, "files"), "is missing");
  r.member(j, path, "files", [&](const json& v, const std::string& k) {
    if (!r.array(v, k)) return;
    if (v.empty() || v.size() > 3) return r.refuse(k, "must name one to three files");
    for (const json& file : v) {
      std::string name;
      if (!r.text(file, k, name)) return;
      std::filesystem::path p(name);
      if (p.is_relative() && !folder.empty()) p = std::filesystem::path(folder) / p;
      record.paths.push_back(p.lexically_normal().string());
    }
  });
  r.member(j, path, "channels", [&](const json& v, const std::string& k) {
    if (!r.array(v, k) || v.size() != 3) return r.refuse(k, "must be three channel numbers");
    import::ChannelChoice c;
    if (r.integer(v[0], k, c.first, 1, 65535) && r.integer(v[1], k, c.second, 1, 65535) &&
        r.integer(v[2], k, c.third, 1, 65535))
      record.channels = c;
  });
}

void ReadWindows(Reader& r, const json& j, const std::string& key, std::vector<windows::Interval>& windows) {
  if (!r.array(j, key)) return;
  for (const json& item : j) {
    Complex pair;
    if (!r.pair(item, key, pair)) return;
    if (!(pair.re <= pair.im)) return r.refuse(key, "holds a window that ends before it starts");
    windows.push_back({pair.re, pair.im});
  }
}

template <typename T, typename ReadOne>
void ReadPerParameter(Reader& r, const json& j, const std::string& path, inversion::PerParameter<T>& target,
                      ReadOne readOne) {
  if (!r.object(j, path, {"H", "Vp", "Vs", "Rho", "Qp", "Qs"})) return;
  for (int p = 0; p < kParameterCount; ++p)
    r.member(j, path, kParameterKeys[p], [&](const json& v, const std::string& k) { readOne(v, k, target[p]); });
}

void ReadModel(Reader& r, const json& j, const std::string& path, inversion::amodel& model) {
  if (!r.object(j, path, {"values", "limits", "invert"})) return;
  for (const char* part : {"values", "limits", "invert"})
    if (!j.contains(part)) return r.refuse(Reader::Join(path, part), "is missing");
  auto list = [&](auto readItem) {
    return [&r, readItem](const json& v, const std::string& k, auto& target) {
      if (!r.array(v, k)) return;
      target.resize(v.size());
      for (std::size_t i = 0; i < v.size() && r.ok(); ++i) readItem(v[i], k, target[i]);
    };
  };
  ReadPerParameter(r, j["values"], Reader::Join(path, "values"), model.values,
                   list([&](const json& v, const std::string& k, double& t) { r.number(v, k, t); }));
  ReadPerParameter(r, j["limits"], Reader::Join(path, "limits"), model.layerLimits,
                   list([&](const json& v, const std::string& k, Complex& t) { r.pair(v, k, t); }));
  ReadPerParameter(r, j["invert"], Reader::Join(path, "invert"), model.invertFlags,
                   list([&](const json& v, const std::string& k, auto&& t) {
                     bool b = false;
                     r.boolean(v, k, b);
                     t = b;
                   }));
  if (!r.ok()) return;
  const std::size_t layers = model.values[0].size();
  if (layers < static_cast<std::size_t>(inversion::kMinLayers) || layers > static_cast<std::size_t>(inversion::kMaxLayers))
    return r.refuse(Reader::Join(path, "values.H"), "must hold 2 to 10 layers");
  for (int p = 0; p < kParameterCount; ++p)
    if (model.values[p].size() != layers || model.layerLimits[p].size() != layers ||
        model.invertFlags[p].size() != layers)
      return r.refuse(path + "." + kParameterKeys[p], "must hold as many layers as H");
}

void ReadTables(Reader& r, const json& j, const std::string& path, inversion::ModelTables& t) {
  if (!r.object(j, path,
                {"StartValues", "IncFactors", "HardLimits", "UserLimits", "InvertDefaults", "SelectedParameter"}))
    return;
  auto number = [&](const json& v, const std::string& k, double& target) { r.number(v, k, target); };
  auto pair = [&](const json& v, const std::string& k, Complex& target) { r.pair(v, k, target); };
  auto flag = [&](const json& v, const std::string& k, bool& target) { r.boolean(v, k, target); };
  r.member(j, path, "StartValues",
           [&](const json& v, const std::string& k) { ReadPerParameter(r, v, k, t.StartValues, number); });
  r.member(j, path, "IncFactors",
           [&](const json& v, const std::string& k) { ReadPerParameter(r, v, k, t.IncFactors, number); });
  r.member(j, path, "HardLimits",
           [&](const json& v, const std::string& k) { ReadPerParameter(r, v, k, t.HardLimits, pair); });
  r.member(j, path, "UserLimits",
           [&](const json& v, const std::string& k) { ReadPerParameter(r, v, k, t.UserLimits, pair); });
  r.member(j, path, "InvertDefaults",
           [&](const json& v, const std::string& k) { ReadPerParameter(r, v, k, t.InvertDefaults, flag); });
  r.member(j, path, "SelectedParameter",
           [&](const json& v, const std::string& k) { r.integer(v, k, t.SelectedParameter, 0, kParameterCount - 1); });
}

void ReadComputed(Reader& r, const json& j, const std::string& path, SessionComputations& c, int version) {
  if (!r.object(j, path, {"observedCurve", "classic", "fieldStandard", "theoreticalCurve"})) return;
  r.member(j, path, "observedCurve", [&](const json& v, const std::string& k) {
    std::string file;
    if (r.text(v, k, file)) c.observedCurve = file;
  });
  r.member(j, path, "classic", [&](const json& v, const std::string& k) {
    ClassicSettings s;
    if (version >= 2) {
      ReadTableKeys(r, v, k, ClassicSettingTable(), s);
    } else {
      if (!r.object(v, k, {"minFrequencyHz", "maxFrequencyHz", "smoothedSpectra"})) return;
      r.member(v, k, "minFrequencyHz", [&](const json& x, const std::string& kk) { r.number(x, kk, s.minFrequencyHz); });
      r.member(v, k, "maxFrequencyHz", [&](const json& x, const std::string& kk) { r.number(x, kk, s.maxFrequencyHz); });
      r.member(v, k, "smoothedSpectra", [&](const json& x, const std::string& kk) { r.boolean(x, kk, s.smoothedSpectra); });
    }
    c.classic = s;
  });
  r.member(j, path, "fieldStandard", [&](const json& v, const std::string& k) {
    FieldStandardSettings s;
    if (version >= 2)
      ReadTableKeys(r, v, k, spectra::FieldStandardSettingTable(), s);
    else
      ReadFormatOneForm(r, v, k, s);
    c.fieldStandard = s;
  });
  r.member(j, path, "theoreticalCurve", [&](const json& v, const std::string& k) {
    if (!r.object(v, k, {"referenceFrequencyHz", "dispersionExponent"})) return;
    ForwardModelSettings s;
    r.member(v, k, "referenceFrequencyHz",
             [&](const json& x, const std::string& kk) { r.number(x, kk, s.referenceFrequencyHz); });
    r.member(v, k, "dispersionExponent",
             [&](const json& x, const std::string& kk) { r.number(x, kk, s.dispersionExponent); });
    c.theoreticalCurve = s;
  });
}

// The limits a session's tables give lie within the program's own, and every value of
// its model within them, as the model table and model files require: an edited file
// cannot bring a model the table would refuse.
void CheckModelLimits(Reader& r, const Session& session) {
  if (!r.ok()) return;
  const inversion::ModelTables program;
  const auto limitsText = [](const Complex& limits) {
    return numerics::NumberToShortestText(limits.re) + " to " + numerics::NumberToShortestText(limits.im);
  };
  for (int p = 0; p < kParameterCount; ++p) {
    const Complex& own = program.HardLimits[p];
    const Complex& hard = session.tables.HardLimits[p];
    if (!(hard.re >= own.re && hard.im <= own.im && hard.re <= hard.im))
      return r.refuse(std::string("tables.HardLimits.") + kParameterKeys[p], "must lie within " + limitsText(own));
  }
  if (!session.model) return;
  const inversion::amodel& model = *session.model;
  for (int p = 0; p < kParameterCount; ++p) {
    const Complex& hard = session.tables.HardLimits[p];
    for (std::size_t layer = 0; layer < model.values[p].size(); ++layer) {
      if (inversion::IsHalfSpaceCell(model, p, static_cast<int>(layer))) continue;
      const double value = model.values[p][layer];
      if (!(value >= hard.re && value <= hard.im))
        return r.refuse(std::string("model.values.") + kParameterKeys[p],
                        "holds " + numerics::NumberToShortestText(value) + " in layer " + std::to_string(layer + 1) +
                            ", outside its limits " + limitsText(hard));
    }
  }
}

std::optional<json> Parse(std::string_view text, const std::string& source, Outcome& failure) {
  json parsed = json::parse(text.begin(), text.end(), nullptr, false);
  if (parsed.is_discarded()) {
    failure = Outcome::Failed(source + ": not a JSON text", source);
    return std::nullopt;
  }
  return parsed;
}

}  // namespace

bool SessionRecord::operator==(const SessionRecord& o) const {
  auto same = [](const std::optional<import::ChannelChoice>& a, const std::optional<import::ChannelChoice>& b) {
    return a.has_value() == b.has_value() &&
           (!a || (a->first == b->first && a->second == b->second && a->third == b->third));
  };
  return format == o.format && paths == o.paths && same(channels, o.channels);
}

bool Session::operator==(const Session& o) const {
  return record == o.record && windows == o.windows && settings == o.settings && model == o.model &&
         tables == o.tables && computed == o.computed;
}

std::string SessionJson(const Session& session) { return SessionObject(session).dump(2) + "\n"; }

Result<Session> ReadSession(std::string_view text, const std::string& fileName, const std::string& folder) {
  Outcome failure;
  const std::optional<json> parsed = Parse(text, fileName, failure);
  if (!parsed) return failure;
  const json& j = *parsed;
  if (!j.is_object() || !j.contains(kSessionMarker))
    return Outcome::Failed(fileName + ": not a Corvath session", fileName);
  Reader r(fileName);
  Session session;
  int version = 0;
  r.integer(j[kSessionMarker], kSessionMarker, version, 1, 1'000'000);
  if (r.ok() && version > kSessionVersion)
    return Outcome::Failed(fileName + ": a session of a later version (" + std::to_string(version) +
                               ") of this program",
                           fileName);
  r.object(j, "", {kSessionMarker, "record", "windows", "settings", "model", "tables", "computed"});
  r.member(j, "", "record", [&](const json& v, const std::string& k) {
    if (v.is_null()) return;
    SessionRecord record;
    ReadRecord(r, v, k, folder, record);
    session.record = record;
  });
  r.member(j, "", "windows", [&](const json& v, const std::string& k) { ReadWindows(r, v, k, session.windows); });
  r.member(j, "", "settings",
           [&](const json& v, const std::string& k) { ReadSettings(r, v, k, session.settings, version); });
  r.member(j, "", "model", [&](const json& v, const std::string& k) {
    if (v.is_null()) return;
    inversion::amodel model;
    ReadModel(r, v, k, model);
    session.model = model;
  });
  r.member(j, "", "tables", [&](const json& v, const std::string& k) { ReadTables(r, v, k, session.tables); });
  r.member(j, "", "computed",
           [&](const json& v, const std::string& k) { ReadComputed(r, v, k, session.computed, version); });
  CheckModelLimits(r, session);
  if (r.ok() && session.model && session.model->layerCount() != session.settings.layersNumber)
    r.refuse("settings.layersNumber", "must be the model's layer count (" +
                                          std::to_string(session.model->layerCount()) + ")");
  if (!r.ok()) return r.failure();
  return session;
}

Outcome SaveSession(const std::string& path, const Session& session) {
  return WriteFileAtomically(path, SessionJson(session));
}

Result<Session> OpenSession(const std::string& path) {
  const Result<std::string> text = ReadSmallTextFile(path);
  if (!text.done()) return text.outcome;
  const std::filesystem::path file(path);
  return ReadSession(*text, file.filename().string(), std::filesystem::absolute(file).parent_path().string());
}

std::string WindowSettingsJson(const WindowSettings& settings) { return WindowSettingsObject(settings).dump(); }

Result<WindowSettings> ReadWindowSettings(std::string_view text, const std::string& source) {
  Outcome failure;
  const std::optional<json> parsed = Parse(text, source, failure);
  if (!parsed) return failure;
  Reader r(source);
  WindowSettings settings;
  // Remembered by an earlier version: the classic fields at the top, no "analysis".
  const bool formatOne = parsed->is_object() && !parsed->contains("analysis") &&
                         (parsed->contains("fieldStandard") || parsed->contains("minFrequencyHz") ||
                          parsed->contains("maxFrequencyHz") || parsed->contains("smoothedSpectra"));
  ReadSettings(r, *parsed, "", settings, formatOne ? 1 : kSessionVersion);
  if (!r.ok()) return r.failure();
  return settings;
}

}  // namespace corvath::app
