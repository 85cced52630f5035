#include "app/session.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>

#include <nlohmann/json.hpp>

#include "app/atomicfile.h"
#include "app/inputfile.h"

namespace corvath::app {
namespace {

// Keys in the order written, the marker first.
using json = nlohmann::ordered_json;
using inversion::kParameterCount;
using numerics::Complex;

// The parameters under their column names, in table order.
constexpr const char* kParameterKeys[kParameterCount] = {"H", "Vp", "Vs", "Rho", "Qp", "Qs"};

bool SameForm(const FieldStandardSettings& a, const FieldStandardSettings& b) {
  return a.windowLengthSeconds == b.windowLengthSeconds && a.overlapPercent == b.overlapPercent &&
         a.taperFraction == b.taperFraction && a.combination == b.combination && a.bandwidth == b.bandwidth &&
         a.gridMinHz == b.gridMinHz && a.gridMaxHz == b.gridMaxHz && a.gridPoints == b.gridPoints &&
         a.reject == b.reject && a.rejectionStdDevs == b.rejectionStdDevs &&
         a.staLta.has_value() == b.staLta.has_value() &&
         (!a.staLta || (a.staLta->staSeconds == b.staLta->staSeconds && a.staLta->ltaSeconds == b.staLta->ltaSeconds &&
                        a.staLta->minRatio == b.staLta->minRatio && a.staLta->maxRatio == b.staLta->maxRatio)) &&
         a.azimuthStepDegrees == b.azimuthStepDegrees && a.search.has_value() == b.search.has_value() &&
         (!a.search || (a.search->lowHz == b.search->lowHz && a.search->highHz == b.search->highHz)) &&
         a.rejectionIterations == b.rejectionIterations;
}

// ---- Writing ---------------------------------------------------------------------

json FormJson(const FieldStandardSettings& s) {
  return {{"windowSeconds", s.windowLengthSeconds},
          {"overlapPercent", s.overlapPercent},
          {"taper", s.taperFraction},
          {"bandwidth", s.bandwidth},
          {"gridMinHz", s.gridMinHz},
          {"gridMaxHz", s.gridMaxHz},
          {"gridPoints", s.gridPoints},
          {"combination", spectra::HorizontalCombinationName(s.combination)},
          {"reject", s.reject},
          {"rejectSigmas", s.rejectionStdDevs},
          {"rejectPasses", s.rejectionIterations},
          {"search", s.search ? json{{"lowHz", s.search->lowHz}, {"highHz", s.search->highHz}} : json(nullptr)},
          {"staLta", s.staLta ? json{{"staSeconds", s.staLta->staSeconds},
                                     {"ltaSeconds", s.staLta->ltaSeconds},
                                     {"min", s.staLta->minRatio},
                                     {"max", s.staLta->maxRatio}}
                              : json(nullptr)},
          {"azimuthStepDegrees", s.azimuthStepDegrees ? json(*s.azimuthStepDegrees) : json(nullptr)}};
}

json SettingsJson(const WindowSettings& s) {
  return {{"minFrequencyHz", s.minFrequencyHz},
          {"maxFrequencyHz", s.maxFrequencyHz},
          {"smoothedSpectra", s.smoothedSpectra},
          {"method", s.fieldStandard ? "fieldStandard" : "classic"},
          {"fieldStandard", FormJson(s.fieldStandardForm)},
          {"layersNumber", s.layersNumber},
          {"iterNumber", s.iterNumber},
          {"globalSearch", s.globalSearch},
          {"optimizeReferenceFrequency", s.optimizeReferenceFrequency},
          {"optimizeDispersionExponent", s.optimizeDispersionExponent},
          {"ratioConstraint", s.ratioConstraint},
          {"referenceFrequencyHz", s.referenceFrequencyHz},
          {"dispersionExponent", s.dispersionExponent},
          {"zoomFactor", s.zoomFactor}};
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
  out["settings"] = SettingsJson(session.settings);
  if (session.model) out["model"] = ModelJson(*session.model);
  out["tables"] = TablesJson(session.tables);
  json computed = json::object();
  if (const auto& o = session.computed.observedCurve) computed["observedCurve"] = *o;
  if (const auto& c = session.computed.classic)
    computed["classic"] = {
        {"minFrequencyHz", c->minFrequencyHz}, {"maxFrequencyHz", c->maxFrequencyHz}, {"smoothedSpectra", c->logAveraging}};
  if (const auto& f = session.computed.fieldStandard) computed["fieldStandard"] = FormJson(*f);
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
  Outcome failure() const { return Outcome::Failed(source_ + ": " + error_, source_); }
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
};

void ReadForm(Reader& r, const json& j, const std::string& path, FieldStandardSettings& s) {
  if (!r.object(j, path, {"windowSeconds", "overlapPercent", "taper", "bandwidth", "gridMinHz", "gridMaxHz",
                          "gridPoints", "combination", "reject", "rejectSigmas", "rejectPasses", "search", "staLta",
                          "azimuthStepDegrees"}))
    return;
  const std::pair<const char*, double*> numbers[] = {
      {"windowSeconds", &s.windowLengthSeconds}, {"overlapPercent", &s.overlapPercent},
      {"taper", &s.taperFraction},               {"bandwidth", &s.bandwidth},
      {"gridMinHz", &s.gridMinHz},               {"gridMaxHz", &s.gridMaxHz},
      {"rejectSigmas", &s.rejectionStdDevs}};
  for (const auto& [key, target] : numbers)
    r.member(j, path, key, [&, target = target](const json& v, const std::string& k) { r.number(v, k, *target); });
  r.member(j, path, "gridPoints",
           [&](const json& v, const std::string& k) { r.integer(v, k, s.gridPoints, 2, 100000); });
  r.member(j, path, "reject", [&](const json& v, const std::string& k) { r.boolean(v, k, s.reject); });
  r.member(j, path, "rejectPasses",
           [&](const json& v, const std::string& k) { r.integer(v, k, s.rejectionIterations, 1, 10000); });
  // null: the whole grid.
  r.member(j, path, "search", [&](const json& v, const std::string& k) {
    if (v.is_null()) return s.search.reset();
    if (!r.object(v, k, {"lowHz", "highHz"})) return;
    spectra::FrequencyBand band{s.gridMinHz, s.gridMaxHz};
    r.member(v, k, "lowHz", [&](const json& value, const std::string& name) { r.number(value, name, band.lowHz); });
    r.member(v, k, "highHz", [&](const json& value, const std::string& name) { r.number(value, name, band.highHz); });
    s.search = band;
  });
  r.member(j, path, "combination", [&](const json& v, const std::string& k) {
    std::string word;
    if (!r.text(v, k, word)) return;
    if (const auto combination = spectra::HorizontalCombinationOfWord(word))
      s.combination = *combination;
    else
      r.refuse(k, "must be \"geometric\", \"quadratic\" or \"arithmetic\"");
  });
  // null: off.
  r.member(j, path, "staLta", [&](const json& v, const std::string& k) {
    if (v.is_null()) return s.staLta.reset();
    if (!r.object(v, k, {"staSeconds", "ltaSeconds", "min", "max"})) return;
    spectra::StaLtaSettings staLta;
    const std::pair<const char*, double*> bounds[] = {{"staSeconds", &staLta.staSeconds},
                                                      {"ltaSeconds", &staLta.ltaSeconds},
                                                      {"min", &staLta.minRatio},
                                                      {"max", &staLta.maxRatio}};
    for (const auto& [key, target] : bounds)
      r.member(v, k, key, [&, target = target](const json& value, const std::string& name) {
        r.number(value, name, *target);
      });
    s.staLta = staLta;
  });
  r.member(j, path, "azimuthStepDegrees", [&](const json& v, const std::string& k) {
    if (v.is_null()) return s.azimuthStepDegrees.reset();
    double step = 0;
    if (r.number(v, k, step)) s.azimuthStepDegrees = step;
  });
}

void ReadSettings(Reader& r, const json& j, const std::string& path, WindowSettings& s) {
  if (!r.object(j, path,
                {"minFrequencyHz", "maxFrequencyHz", "smoothedSpectra", "method", "fieldStandard", "layersNumber",
                 "iterNumber", "globalSearch", "optimizeReferenceFrequency", "optimizeDispersionExponent",
                 "ratioConstraint", "referenceFrequencyHz", "dispersionExponent", "zoomFactor"}))
    return;
  const std::pair<const char*, double*> numbers[] = {{"minFrequencyHz", &s.minFrequencyHz},
                                                     {"maxFrequencyHz", &s.maxFrequencyHz},
                                                     {"referenceFrequencyHz", &s.referenceFrequencyHz},
                                                     {"dispersionExponent", &s.dispersionExponent}};
  for (const auto& [key, target] : numbers)
    r.member(j, path, key, [&, target = target](const json& v, const std::string& k) { r.number(v, k, *target); });
  const std::pair<const char*, bool*> flags[] = {{"smoothedSpectra", &s.smoothedSpectra},
                                                 {"globalSearch", &s.globalSearch},
                                                 {"optimizeReferenceFrequency", &s.optimizeReferenceFrequency},
                                                 {"optimizeDispersionExponent", &s.optimizeDispersionExponent},
                                                 {"ratioConstraint", &s.ratioConstraint}};
  for (const auto& [key, target] : flags)
    r.member(j, path, key, [&, target = target](const json& v, const std::string& k) { r.boolean(v, k, *target); });
  r.member(j, path, "layersNumber", [&](const json& v, const std::string& k) {
    r.integer(v, k, s.layersNumber, inversion::kMinLayers, inversion::kMaxLayers);
  });
  r.member(j, path, "iterNumber", [&](const json& v, const std::string& k) { r.integer(v, k, s.iterNumber, 1, 500); });
  r.member(j, path, "zoomFactor", [&](const json& v, const std::string& k) {
    if (r.number(v, k, s.zoomFactor) && !(s.zoomFactor >= 1.0 && s.zoomFactor <= 10.0))
      r.refuse(k, "must be from 1 to 10");
  });
  r.member(j, path, "method", [&](const json& v, const std::string& k) {
    std::string method;
    if (!r.text(v, k, method)) return;
    if (method != "classic" && method != "fieldStandard") return r.refuse(k, "must be \"classic\" or \"fieldStandard\"");
    s.fieldStandard = method == "fieldStandard";
  });
  r.member(j, path, "fieldStandard",
           [&](const json& v, const std::string& k) { ReadForm(r, v, k, s.fieldStandardForm); });
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

void ReadComputed(Reader& r, const json& j, const std::string& path, SessionComputations& c) {
  if (!r.object(j, path, {"observedCurve", "classic", "fieldStandard", "theoreticalCurve"})) return;
  r.member(j, path, "observedCurve", [&](const json& v, const std::string& k) {
    std::string file;
    if (r.text(v, k, file)) c.observedCurve = file;
  });
  r.member(j, path, "classic", [&](const json& v, const std::string& k) {
    if (!r.object(v, k, {"minFrequencyHz", "maxFrequencyHz", "smoothedSpectra"})) return;
    SpectraSettings s;
    r.member(v, k, "minFrequencyHz", [&](const json& x, const std::string& kk) { r.number(x, kk, s.minFrequencyHz); });
    r.member(v, k, "maxFrequencyHz", [&](const json& x, const std::string& kk) { r.number(x, kk, s.maxFrequencyHz); });
    r.member(v, k, "smoothedSpectra", [&](const json& x, const std::string& kk) { r.boolean(x, kk, s.logAveraging); });
    c.classic = s;
  });
  r.member(j, path, "fieldStandard", [&](const json& v, const std::string& k) {
    FieldStandardSettings s;
    ReadForm(r, v, k, s);
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

bool WindowSettings::operator==(const WindowSettings& o) const {
  return minFrequencyHz == o.minFrequencyHz && maxFrequencyHz == o.maxFrequencyHz &&
         smoothedSpectra == o.smoothedSpectra && fieldStandard == o.fieldStandard &&
         SameForm(fieldStandardForm, o.fieldStandardForm) && layersNumber == o.layersNumber &&
         iterNumber == o.iterNumber && globalSearch == o.globalSearch &&
         optimizeReferenceFrequency == o.optimizeReferenceFrequency &&
         optimizeDispersionExponent == o.optimizeDispersionExponent && ratioConstraint == o.ratioConstraint &&
         referenceFrequencyHz == o.referenceFrequencyHz && dispersionExponent == o.dispersionExponent &&
         zoomFactor == o.zoomFactor;
}

bool SessionComputations::operator==(const SessionComputations& o) const {
  const bool classicSame =
      classic.has_value() == o.classic.has_value() &&
      (!classic || (classic->minFrequencyHz == o.classic->minFrequencyHz &&
                    classic->maxFrequencyHz == o.classic->maxFrequencyHz &&
                    classic->logAveraging == o.classic->logAveraging));
  const bool formSame = fieldStandard.has_value() == o.fieldStandard.has_value() &&
                        (!fieldStandard || SameForm(*fieldStandard, *o.fieldStandard));
  const bool curveSame = theoreticalCurve.has_value() == o.theoreticalCurve.has_value() &&
                         (!theoreticalCurve ||
                          (theoreticalCurve->referenceFrequencyHz == o.theoreticalCurve->referenceFrequencyHz &&
                           theoreticalCurve->dispersionExponent == o.theoreticalCurve->dispersionExponent));
  return observedCurve == o.observedCurve && classicSame && formSame && curveSame;
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
  r.member(j, "", "settings", [&](const json& v, const std::string& k) { ReadSettings(r, v, k, session.settings); });
  r.member(j, "", "model", [&](const json& v, const std::string& k) {
    if (v.is_null()) return;
    inversion::amodel model;
    ReadModel(r, v, k, model);
    session.model = model;
  });
  r.member(j, "", "tables", [&](const json& v, const std::string& k) { ReadTables(r, v, k, session.tables); });
  r.member(j, "", "computed", [&](const json& v, const std::string& k) { ReadComputed(r, v, k, session.computed); });
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

std::string WindowSettingsJson(const WindowSettings& settings) { return SettingsJson(settings).dump(); }

Result<WindowSettings> ReadWindowSettings(std::string_view text, const std::string& source) {
  Outcome failure;
  const std::optional<json> parsed = Parse(text, source, failure);
  if (!parsed) return failure;
  Reader r(source);
  WindowSettings settings;
  ReadSettings(r, *parsed, "", settings);
  if (!r.ok()) return r.failure();
  return settings;
}

}  // namespace corvath::app
