#pragma once
// Inversion settings files: what a global search fits and within which bounds, as one
// JSON object marked {"corvath_inversion_settings": 1, ...}. The layers go from the top
// down, the last one the half-space (no thickness); each value is a number (fixed) or
// [min, max] (searched), in m, m/s and kg/m3; a layer may give "poisson": [min, max] in
// place of "vp_m_s". A missing key keeps its default; an unknown key, a wrong type, a
// min above its max, a range beyond the program's hard limits or a Vp range that cannot
// hold Vp > Vs is refused naming the key, the layer and the file.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/outcome.h"
#include "inversion/inversionsettings.h"
#include "inversion/model.h"
#include "numerics/complex.h"

namespace corvath::app {

//! How the theoretical H/V curve is computed.
enum class ForwardModelKind { TransferFunction, DiffuseField };

//! A value of a layer: fixed (min == max, written as a number) or searched in [min, max].
struct SearchValue {
  double min = 0.0;
  double max = 0.0;
  bool searched = false;  //!< given as [min, max] (written back so even when min == max)
  double middle() const { return 0.5 * (min + max); }
  bool operator==(const SearchValue&) const = default;
};

//! One layer of the file (file units: m, m/s, kg/m3). Exactly one of vp and poisson.
struct LayerSearch {
  std::optional<SearchValue> thicknessM;  //!< none for the half-space
  SearchValue vsMS;
  std::optional<SearchValue> vpMS;
  std::optional<SearchValue> poisson;  //!< Poisson's ratio, searched; Vp follows from it and Vs
  SearchValue densityKgM3;
  bool operator==(const LayerSearch&) const = default;
};

//! Everything an inversion settings file holds.
struct InversionSettingsFile {
  ForwardModelKind forward = ForwardModelKind::TransferFunction;
  std::vector<LayerSearch> layers;  //!< empty: the layers come from the start model
  double fitMinHz = 1.0;            //!< "fit_band_hz": [min, max]
  double fitMaxHz = 20.0;
  std::string dispersion;                 //!< the dispersion curve, relative to the settings file; empty: none
  std::optional<double> dispersionWeight;  //!< 0 to 1; none: balanced by the numbers of points
  int chains = 4;
  std::optional<std::uint64_t> seed;
  double ensembleTolerance = 0.2;
  bool operator==(const InversionSettingsFile&) const = default;
};

//! The marker key, first in every inversion settings file, and the version it carries.
inline constexpr const char* kInversionSettingsMarker = "corvath_inversion_settings";
inline constexpr int kInversionSettingsVersion = 1;
//! Poisson's ratio a layer may be given: from 0 to just below 1/2.
inline constexpr double kMinPoisson = 0.0;
inline constexpr double kMaxPoisson = 0.49;

//! "transfer-function" or "diffuse-field".
const char* ForwardModelName(ForwardModelKind kind);

//! The settings in text (source names the file in messages); Failed "SOURCE: layer 2:
//! 'vp_m_s' why" (or "SOURCE: 'KEY' why" for a key outside the layers) for anything that
//! cannot be used.
Result<InversionSettingsFile> ParseInversionSettingsText(const std::string& text, const std::string& source);

//! The inversion settings file at path; Failed naming the file when it cannot be read or used.
Result<InversionSettingsFile> ReadInversionSettingsFile(const std::string& path);

//! The settings as a file's text: every key, the layers one a line; ends with a line end.
std::string InversionSettingsText(const InversionSettingsFile& settings);

//! Writes InversionSettingsText to path atomically.
Outcome SaveInversionSettingsFile(const std::string& path, const InversionSettingsFile& settings);

//! Vp (m/s) of a layer with the shear velocity vs (m/s) and Poisson's ratio nu (0 <= nu < 1/2).
double VpOfPoisson(double vs, double nu);

//! The start model of the layers (which must be there): every value the middle of its
//! range, in the model's units (H m, velocities km/s, density g/cm3); a searched value is
//! free with its range as the layer's limits, a fixed one is not; Vp of a Poisson layer is
//! that of the middle Vs and Poisson's ratio, free within the Vp the two ranges allow.
//! Qp and Qs are generated from the tables and stay fixed.
inversion::amodel StartModelOfLayers(const std::vector<LayerSearch>& layers, const inversion::ModelTables& tables);

//! Per layer of the settings the Poisson range (re = min, im = max) of a Poisson layer, else none.
std::vector<std::optional<numerics::Complex>> PoissonRanges(const std::vector<LayerSearch>& layers);

//! The layers of a model in file units: a free value whose layer limits are set is searched
//! within them, another free value within [v/2, 2 v] inside the hard limits, the half-space
//! without thickness; the rest fixed.
std::vector<LayerSearch> LayersOfModel(const inversion::amodel& model, const inversion::ModelTables& tables);

//! The dispersion file's path: as written when absolute, else beside the settings file.
std::string DispersionPathOf(const InversionSettingsFile& settings, const std::string& settingsPath);

}  // namespace corvath::app
