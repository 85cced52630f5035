#pragma once
// Pieces both inversion runs use: copies of the changeable values, the checked call
// of the curve evaluator and logarithms that never raise a floating-point flag.
#include <cmath>
#include <string>
#include <vector>

#include "inversion/inversionsettings.h"

namespace corvath::inversion {

//! Under the ratio constraint Vp stays at least this many times Vs of its layer, so
//! that no step and no draw brings Vs up to Vp.
inline constexpr double kMinVelocityRatio = 1.001;

//! The layers of a model that make no physical material: Vs not below Vp, or (above
//! the half-space, whose quality factors are no model values) Qs above Qp. One text per
//! layer ("layer 3: Vs 0.99 >= Vp 0.90"); empty when every layer is sound.
std::vector<std::string> UnphysicalLayers(const amodel& model);

}  // namespace corvath::inversion

namespace corvath::inversion::detail {

//! The values a run may change: the six value arrays, the reference frequency and the exponent.
struct ValueSet {
  PerParameter<numerics::arofdoubleM> values;
  double referenceFrequency = 0.0;
  double dispersionExponent = 0.0;
};

//! Copies the changeable values out of a state.
inline ValueSet SaveValues(const InversionState& state) {
  return {state.model.values, state.referenceFrequency, state.dispersionExponent};
}

//! Writes saved values back into a state (flags and limits untouched).
inline void RestoreValues(InversionState& state, const ValueSet& saved) {
  state.model.values = saved.values;
  state.referenceFrequency = saved.referenceFrequency;
  state.dispersionExponent = saved.dispersionExponent;
}

//! ln x for a positive finite x; false (and out untouched) otherwise.
inline bool LogOf(double x, double& out) {
  if (!(x > 0.0) || !std::isfinite(x)) return false;
  out = std::log(x);
  return true;
}

//! Computes the theoretical curve of the state; throws std::runtime_error when the
//! evaluator answers with a curve that does not match the observed points.
void EvaluateCurve(const CurveEvaluator& evaluate, const InversionState& state, std::size_t points,
                   numerics::arofcomplexM& curve);

//! Percentage of done steps, rounded to the nearest integer (halves to even).
int ProgressPercent(long long done, long long total);

//! The message of a fault that ended a run.
std::string FaultMessage(const char* what);

//! Why a run with the ratio constraint refuses its start model (its first layer without
//! physical material, and what to do); empty when the model may start.
std::string UnphysicalStartMessage(const amodel& model);

}  // namespace corvath::inversion::detail
