#include "app/inversionsettingsfile.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>

#include <nlohmann/json.hpp>

#include "app/atomicfile.h"
#include "app/inputfile.h"
#include "numerics/numbertext.h"

namespace corvath::app {

namespace {

using json = nlohmann::ordered_json;
using inversion::ModelParameter;

// What is wrong with a key's value; empty when it was taken.
using Why = std::string;

constexpr int kH = static_cast<int>(ModelParameter::H);
constexpr int kVp = static_cast<int>(ModelParameter::Vp);
constexpr int kVs = static_cast<int>(ModelParameter::Vs);
constexpr int kRho = static_cast<int>(ModelParameter::Rho);

// File units per model unit: H in m both; velocities m/s against km/s; density kg/m3 against g/cm3.
constexpr double kPerModelUnit[] = {1.0, 1000.0, 1000.0, 1000.0};

std::string Text(double v) { return numerics::NumberToShortestText(v); }

Why ReadNumber(const json& value, double& target) {
  if (!value.is_number() || !std::isfinite(value.get<double>())) return "must be a number";
  target = value.get<double>();
  return {};
}

// A number (fixed) or [min, max] (searched) within [lower, upper] (file units).
Why ReadSearchValue(const json& value, SearchValue& target, double lower, double upper) {
  SearchValue v;
  if (value.is_array()) {
    if (value.size() != 2) return "must be a number or [min, max]";
    if (Why why = ReadNumber(value[0], v.min); !why.empty()) return "min " + why;
    if (Why why = ReadNumber(value[1], v.max); !why.empty()) return "max " + why;
    if (v.min > v.max) return "has min " + Text(v.min) + " above max " + Text(v.max);
    v.searched = true;
  } else {
    if (Why why = ReadNumber(value, v.min); !why.empty()) return "must be a number or [min, max]";
    v.max = v.min;
  }
  if (v.min < lower || v.max > upper)
    return (v.searched ? "[" + Text(v.min) + ", " + Text(v.max) + "]" : Text(v.min)) + " is not within the limits " +
           Text(lower) + " to " + Text(upper);
  target = v;
  return {};
}

json WriteSearchValue(const SearchValue& v) { return v.searched ? json::array({v.min, v.max}) : json(v.min); }

// The hard limits of parameter p in file units.
std::pair<double, double> HardLimits(int p) {
  const numerics::Complex hard = inversion::ModelTables{}.HardLimits[p];
  return {hard.re * kPerModelUnit[p], hard.im * kPerModelUnit[p]};
}

// One layer; last: the half-space. Answers "'KEY' why" or a why about the layer as a whole.
Why ReadLayer(const json& value, bool last, LayerSearch& layer) {
  if (!value.is_object()) return "must be an object {\"thickness_m\", \"vs_m_s\", \"vp_m_s\", \"density_kg_m3\"}";
  bool vs = false, density = false;
  for (const auto& item : value.items()) {
    const std::string& key = item.key();
    Why why;
    if (key == "thickness_m") {
      if (last) return "'thickness_m' is not given for the half-space";
      const auto [lo, hi] = HardLimits(kH);
      layer.thicknessM.emplace();
      why = ReadSearchValue(item.value(), *layer.thicknessM, lo, hi);
    } else if (key == "vs_m_s") {
      const auto [lo, hi] = HardLimits(kVs);
      why = ReadSearchValue(item.value(), layer.vsMS, lo, hi);
      vs = true;
    } else if (key == "vp_m_s") {
      const auto [lo, hi] = HardLimits(kVp);
      layer.vpMS.emplace();
      why = ReadSearchValue(item.value(), *layer.vpMS, lo, hi);
    } else if (key == "poisson") {
      layer.poisson.emplace();
      why = ReadSearchValue(item.value(), *layer.poisson, kMinPoisson, kMaxPoisson);
    } else if (key == "density_kg_m3") {
      const auto [lo, hi] = HardLimits(kRho);
      why = ReadSearchValue(item.value(), layer.densityKgM3, lo, hi);
      density = true;
    } else {
      return "'" + key + "' is not a layer setting";
    }
    if (!why.empty()) return "'" + key + "' " + why;
  }
  if (!last && !layer.thicknessM) return "'thickness_m' is missing";
  if (!vs) return "'vs_m_s' is missing";
  if (!density) return "'density_kg_m3' is missing";
  if (layer.vpMS && layer.poisson) return "'poisson' is given with 'vp_m_s': give one of them";
  if (!layer.vpMS && !layer.poisson) return "'vp_m_s' (or 'poisson') is missing";
  if (layer.vpMS) {
    if (!(layer.vpMS->max > layer.vsMS.min))
      return "'vp_m_s' up to " + Text(layer.vpMS->max) + " cannot hold Vp > Vs (Vs from " + Text(layer.vsMS.min) + ")";
    if (!(layer.vpMS->max >= std::sqrt(2.0) * layer.vsMS.min))
      return "'vp_m_s' up to " + Text(layer.vpMS->max) + " cannot hold Poisson's ratio >= 0 (Vp >= 1.41 Vs, Vs from " +
             Text(layer.vsMS.min) + ")";
  } else {
    const double lowest = VpOfPoisson(layer.vsMS.min, layer.poisson->min);
    if (lowest > HardLimits(kVp).second)
      return "'poisson' from " + Text(layer.poisson->min) + " gives Vp " + Text(lowest) + " above the limit " +
             Text(HardLimits(kVp).second);
  }
  return {};
}

Why ReadLayers(const json& value, std::vector<LayerSearch>& layers, std::string& where) {
  if (value.is_null()) {
    layers.clear();
    return {};
  }
  if (!value.is_array() || value.size() < inversion::kMinLayers || value.size() > inversion::kMaxLayers)
    return "must be a list of " + std::to_string(inversion::kMinLayers) + " to " +
           std::to_string(inversion::kMaxLayers) + " layers, the last the half-space";
  std::vector<LayerSearch> read(value.size());
  for (std::size_t k = 0; k < value.size(); ++k)
    if (Why why = ReadLayer(value[k], k + 1 == value.size(), read[k]); !why.empty()) {
      where = "layer " + std::to_string(k + 1);
      return why;
    }
  layers = std::move(read);
  return {};
}

json WriteLayer(const LayerSearch& layer) {
  json out = json::object();
  if (layer.thicknessM) out["thickness_m"] = WriteSearchValue(*layer.thicknessM);
  out["vs_m_s"] = WriteSearchValue(layer.vsMS);
  if (layer.vpMS) out["vp_m_s"] = WriteSearchValue(*layer.vpMS);
  if (layer.poisson) out["poisson"] = WriteSearchValue(*layer.poisson);
  out["density_kg_m3"] = WriteSearchValue(layer.densityKgM3);
  return out;
}

// One key of the file outside the layers, as in the analysis settings file.
struct FileKey {
  const char* name;
  std::function<Why(const json&, InversionSettingsFile&)> read;
  std::function<json(const InversionSettingsFile&)> write;
};

const std::vector<FileKey>& Keys() {
  using S = InversionSettingsFile;
  static const std::vector<FileKey> keys = {
      {"forward",
       [](const json& v, S& s) -> Why {
         const std::string word = v.is_string() ? v.get<std::string>() : std::string();
         if (word == ForwardModelName(ForwardModelKind::TransferFunction))
           s.forward = ForwardModelKind::TransferFunction;
         else if (word == ForwardModelName(ForwardModelKind::DiffuseField))
           s.forward = ForwardModelKind::DiffuseField;
         else
           return "must be \"transfer-function\" or \"diffuse-field\"";
         return {};
       },
       [](const S& s) { return json(ForwardModelName(s.forward)); }},
      {"fit_band_hz",
       [](const json& v, S& s) -> Why {
         double lo = 0.0, hi = 0.0;
         if (!v.is_array() || v.size() != 2 || !ReadNumber(v[0], lo).empty() || !ReadNumber(v[1], hi).empty())
           return "must be [min, max] in Hz";
         if (!(lo > 0.0) || !(hi > lo)) return "needs 0 < min < max";
         s.fitMinHz = lo;
         s.fitMaxHz = hi;
         return {};
       },
       [](const S& s) { return json::array({s.fitMinHz, s.fitMaxHz}); }},
      {"dispersion",
       [](const json& v, S& s) -> Why {
         if (v.is_null()) {
           s.dispersion.clear();
           return {};
         }
         if (!v.is_string() || v.get<std::string>().empty()) return "must be the path of a dispersion curve, or null";
         s.dispersion = v.get<std::string>();
         return {};
       },
       [](const S& s) { return s.dispersion.empty() ? json(nullptr) : json(s.dispersion); }},
      {"dispersion_weight",
       [](const json& v, S& s) -> Why {
         if (v.is_null()) {
           s.dispersionWeight.reset();
           return {};
         }
         double w = 0.0;
         if (!ReadNumber(v, w).empty() || !(w >= 0.0 && w <= 1.0)) return "must be from 0 to 1 (or null: balanced)";
         s.dispersionWeight = w;
         return {};
       },
       [](const S& s) { return s.dispersionWeight ? json(*s.dispersionWeight) : json(nullptr); }},
      {"chains",
       [](const json& v, S& s) -> Why {
         if (!v.is_number_integer() || v.get<long long>() < 1 || v.get<long long>() > 1024)
           return "must be a whole number from 1 to 1024";
         s.chains = static_cast<int>(v.get<long long>());
         return {};
       },
       [](const S& s) { return json(s.chains); }},
      {"seed",
       [](const json& v, S& s) -> Why {
         if (v.is_null()) {
           s.seed.reset();
           return {};
         }
         if (!v.is_number_unsigned()) return "must be a whole number 0 or above (or null: from the clock)";
         s.seed = v.get<std::uint64_t>();
         return {};
       },
       [](const S& s) { return s.seed ? json(*s.seed) : json(nullptr); }},
      {"ensemble_tolerance",
       [](const json& v, S& s) -> Why {
         double t = 0.0;
         if (!ReadNumber(v, t).empty() || !(t >= 0.0)) return "must be a number 0 or above";
         s.ensembleTolerance = t;
         return {};
       },
       [](const S& s) { return json(s.ensembleTolerance); }},
  };
  return keys;
}

}  // namespace

const char* ForwardModelName(ForwardModelKind kind) {
  return kind == ForwardModelKind::DiffuseField ? "diffuse-field" : "transfer-function";
}

double VpOfPoisson(double vs, double nu) { return vs * std::sqrt((2.0 - 2.0 * nu) / (1.0 - 2.0 * nu)); }

Result<InversionSettingsFile> ParseInversionSettingsText(const std::string& text, const std::string& source) {
  auto refuse = [&](const std::string& key, const std::string& why) {
    return Outcome::Failed(source + ": '" + key + "' " + why, source);
  };
  json document;
  try {
    document = json::parse(text);
  } catch (const json::exception& e) {
    return Outcome::Failed(source + ": not an inversion settings file: " + e.what(), source);
  }
  if (!document.is_object())
    return Outcome::Failed(source + ": not an inversion settings file (no JSON object)", source);
  const auto marker = document.find(kInversionSettingsMarker);
  if (marker == document.end())
    return Outcome::Failed(source + ": not an inversion settings file (no '" + kInversionSettingsMarker + "' key)",
                           source);
  if (!marker->is_number_integer() || marker->get<long long>() != kInversionSettingsVersion)
    return refuse(kInversionSettingsMarker, "must be " + std::to_string(kInversionSettingsVersion));

  InversionSettingsFile settings;
  for (const auto& item : document.items()) {
    if (item.key() == kInversionSettingsMarker) continue;
    if (item.key() == "layers") {
      std::string where;
      if (Why why = ReadLayers(item.value(), settings.layers, where); !why.empty())
        return where.empty() ? refuse("layers", why) : Outcome::Failed(source + ": " + where + ": " + why, source);
      continue;
    }
    const FileKey* entry = nullptr;
    for (const FileKey& key : Keys())
      if (item.key() == key.name) entry = &key;
    if (!entry) return refuse(item.key(), "is not an inversion setting");
    if (Why why = entry->read(item.value(), settings); !why.empty()) return refuse(item.key(), why);
  }
  return settings;
}

Result<InversionSettingsFile> ReadInversionSettingsFile(const std::string& path) {
  const Result<std::string> text = ReadSmallTextFile(path);
  if (!text.done()) return text.outcome;
  return ParseInversionSettingsText(*text, path);
}

std::string InversionSettingsText(const InversionSettingsFile& settings) {
  std::string text = "{\n  " + json(kInversionSettingsMarker).dump() + ": " + std::to_string(kInversionSettingsVersion);
  const auto line = [&](const std::string& key, const json& value) {
    text += ",\n  " + json(key).dump() + ": " + value.dump();
  };
  line("forward", json(ForwardModelName(settings.forward)));
  if (settings.layers.empty()) {
    line("layers", json(nullptr));
  } else {
    text += ",\n  \"layers\": [";
    for (std::size_t k = 0; k < settings.layers.size(); ++k)
      text += std::string(k ? "," : "") + "\n    " + WriteLayer(settings.layers[k]).dump();
    text += "\n  ]";
  }
  for (const FileKey& key : Keys())
    if (std::string(key.name) != "forward") line(key.name, key.write(settings));
  return text + "\n}\n";
}

Outcome SaveInversionSettingsFile(const std::string& path, const InversionSettingsFile& settings) {
  return WriteFileAtomically(path, InversionSettingsText(settings));
}

inversion::amodel StartModelOfLayers(const std::vector<LayerSearch>& layers, const inversion::ModelTables& tables) {
  inversion::amodel model;
  inversion::ResetModel(model, tables, static_cast<int>(layers.size()));
  for (int p = 0; p < inversion::kParameterCount; ++p) {
    model.invertFlags[p].assign(layers.size(), false);
    model.layerLimits[p].assign(layers.size(), inversion::kUnsetLimits);
  }
  const auto set = [&](int p, std::size_t layer, const SearchValue& v) {
    const double unit = kPerModelUnit[p];
    model.values[p][layer] = v.middle() / unit;
    model.invertFlags[p][layer] = v.searched && v.min < v.max;
    model.layerLimits[p][layer] = {v.min / unit, v.max / unit};
  };
  for (std::size_t k = 0; k < layers.size(); ++k) {
    const LayerSearch& layer = layers[k];
    if (layer.thicknessM) set(kH, k, *layer.thicknessM);
    set(kVs, k, layer.vsMS);
    set(kRho, k, layer.densityKgM3);
    if (layer.vpMS) {
      set(kVp, k, *layer.vpMS);
    } else {
      const auto [lo, hi] = HardLimits(kVp);
      const double low = std::clamp(VpOfPoisson(layer.vsMS.min, layer.poisson->min), lo, hi);
      const double high = std::clamp(VpOfPoisson(layer.vsMS.max, layer.poisson->max), lo, hi);
      model.values[kVp][k] = std::clamp(VpOfPoisson(layer.vsMS.middle(), layer.poisson->middle()), lo, hi) / 1000.0;
      model.invertFlags[kVp][k] = low < high;
      model.layerLimits[kVp][k] = {low / 1000.0, high / 1000.0};
    }
  }
  return model;
}

std::vector<std::optional<numerics::Complex>> PoissonRanges(const std::vector<LayerSearch>& layers) {
  std::vector<std::optional<numerics::Complex>> ranges;
  for (const LayerSearch& layer : layers)
    ranges.push_back(layer.poisson ? std::optional(numerics::Complex{layer.poisson->min, layer.poisson->max})
                                   : std::nullopt);
  return ranges;
}

std::vector<LayerSearch> LayersOfModel(const inversion::amodel& model, const inversion::ModelTables& tables) {
  std::vector<LayerSearch> layers(static_cast<std::size_t>(model.layerCount()));
  const auto value = [&](int p, std::size_t k) {
    const double unit = kPerModelUnit[p], v = model.values[p][k];
    if (!model.invertFlags[p][k]) return SearchValue{v * unit, v * unit, false};
    const numerics::Complex limits = model.layerLimits[p][k];
    const numerics::Complex hard = tables.HardLimits[p];
    if (limits.re != numerics::InvalidNumber && limits.im != numerics::InvalidNumber && limits.re <= limits.im)
      return SearchValue{limits.re * unit, limits.im * unit, true};
    return SearchValue{std::max(hard.re, v / 2.0) * unit, std::min(hard.im, 2.0 * v) * unit, true};
  };
  for (std::size_t k = 0; k < layers.size(); ++k) {
    if (k + 1 < layers.size()) layers[k].thicknessM = value(kH, k);
    layers[k].vsMS = value(kVs, k);
    layers[k].vpMS = value(kVp, k);
    layers[k].densityKgM3 = value(kRho, k);
  }
  return layers;
}

std::string DispersionPathOf(const InversionSettingsFile& settings, const std::string& settingsPath) {
  const std::filesystem::path path(settings.dispersion);
  if (settings.dispersion.empty() || path.is_absolute()) return settings.dispersion;
  return (std::filesystem::path(settingsPath).parent_path() / path).string();
}

}  // namespace corvath::app
