#pragma once
// The layered model: per layer thickness, P- and S-wave velocity, density and
// the two quality factors, over a half-space (the last layer), plus the five
// tables of defaults from which the model is generated.
#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "numerics/arrays.h"
#include "numerics/complex.h"
#include "numerics/numbertext.h"

namespace corvath::inversion {

//! The six layer parameters in table-column order.
enum class ModelParameter { H = 0, Vp = 1, Vs = 2, Rho = 3, Qp = 4, Qs = 5 };
inline constexpr int kParameterCount = 6;
inline constexpr int kMinLayers = 2;
inline constexpr int kMaxLayers = 10;

//! Limits are (minimum, maximum) pairs held as Complex (re = minimum, im = maximum);
//! a bound equal to InvalidNumber is unset.
inline constexpr numerics::Complex kUnsetLimits{numerics::InvalidNumber, numerics::InvalidNumber};

template <typename T>
using PerParameter = std::array<T, kParameterCount>;

//! The layered model: six per-layer arrays in each field, index 0 the top layer,
//! the last index the half-space. All eighteen arrays have the layer count as length.
struct amodel {
  PerParameter<numerics::arofdoubleM> values;           //!< H in m, Vp and Vs in km/s, Rho, Qp, Qs
  PerParameter<numerics::arofcomplexM> layerLimits;     //!< per layer a copy of UserLimits
  PerParameter<numerics::arofboolM> invertFlags;        //!< true: the inversion may change the value

  //! Number of layers (0 before the first ResetModel).
  int layerCount() const { return static_cast<int>(values[0].size()); }
  bool operator==(const amodel&) const = default;
};

//! The five tables the model is generated from, and the parameter of the profile.
struct ModelTables {
  PerParameter<double> StartValues{1.0, 0.5, 0.3, 1.8, 10.0, 5.0};
  PerParameter<double> IncFactors{1.3, 1.1, 1.1, 1.0, 1.0, 1.0};
  PerParameter<numerics::Complex> HardLimits{numerics::Complex{0.1, 1000.0}, numerics::Complex{0.1, 8.0},
                                             numerics::Complex{0.01, 6.0}, numerics::Complex{0.5, 6.0},
                                             numerics::Complex{5.0, 500.0}, numerics::Complex{1.0, 200.0}};
  PerParameter<numerics::Complex> UserLimits{kUnsetLimits, kUnsetLimits, kUnsetLimits,
                                             numerics::Complex{1.0, 2.5}, kUnsetLimits, kUnsetLimits};
  PerParameter<bool> InvertDefaults{true, true, true, false, true, true};
  int SelectedParameter = static_cast<int>(ModelParameter::Vp);
  bool operator==(const ModelTables&) const = default;
};

//! Column headings of the parameter table: "N" then one per parameter.
inline constexpr std::array<const char*, kParameterCount + 1> kModelTableHeadings{
    "N", "H(m)", "Vp(km/s)", "Vs(km/s)", "rho(g/cm)", "Qp", "Qs"};

//! previous x factor, limited to the hard range of p (upper bound first, lower last).
double NextLayerValue(const ModelTables& tables, int p, double previous);

//! The generated values of parameter p for n layers: StartValues[p] on top, each
//! further layer NextLayerValue of the one above. UserLimits play no part.
numerics::arofdoubleM GenerateValues(const ModelTables& tables, int p, int n);

//! Rebuilds the whole model for n layers (clamped to 2..10) from the tables.
void ResetModel(amodel& model, const ModelTables& tables, int n);

//! Changes the layer count to n (clamped to 2..10), keeping the existing layers:
//! shrinking drops the bottom layers; each added layer gets clamp(last x factor)
//! and copies the limits and invert flags of the layer above.
void SetLayerCount(amodel& model, const ModelTables& tables, int n);

//! The optional steps of ApplyParameterSettings, run in this order.
struct SettingsSteps {
  bool regenerate = false;  //!< every layer's value generated anew from StartValues and IncFactors
  bool copyLimits = false;  //!< every layer's layerLimits entry set to UserLimits
  bool copyInvert = false;  //!< every layer's invertFlags entry set to InvertDefaults
};

//! Applies the tables of parameter p (0..5, others ignored) to every layer of the
//! model, step by step as chosen; the layer count stays.
void ApplyParameterSettings(amodel& model, const ModelTables& tables, int p, SettingsSteps steps);

//! Why a number may not go where a field with these bounds takes it, by the rules a
//! typed field is read with (TextToNumber): a bound of 0 is no bound, equal bounds
//! check nothing, and neither the marker InvalidNumber nor an infinity or NaN is a
//! number. Empty when it may go; otherwise "<label>: <value> is not a number" or
//! "<label>: <value> is not within <lower> to <upper>" (an absent bound reads "...").
std::string RangeRefusal(std::string_view label, double value, double lower, double upper);

//! True for the half-space's H, Qp and Qs, which are not model values.
bool IsHalfSpaceCell(const amodel& model, int p, int layer);

//! The text of one table cell: "*" for the half-space's H, Qp, Qs, else NumberToText(1, value).
std::string ModelCellText(const amodel& model, int p, int layer);

//! The depth profile of parameter p (H draws Vp): a staircase of (value, depth in m)
//! points in drawing order, two per layer.
std::vector<std::pair<double, double>> ProfilePoints(const amodel& model, int p);

}  // namespace corvath::inversion
