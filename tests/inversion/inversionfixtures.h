#pragma once
// Shared pieces of the inversion tests: a cheap smooth stand-in for the theoretical
// curve, observed curves made from it, and a progress object that records everything.
#include <cmath>
#include <functional>
#include <vector>

#include "inversion/inversionsettings.h"
#include "inversion/model.h"

namespace corvath::inversion::testing {

inline constexpr int kH = static_cast<int>(ModelParameter::H);
inline constexpr int kVp = static_cast<int>(ModelParameter::Vp);
inline constexpr int kVs = static_cast<int>(ModelParameter::Vs);
inline constexpr int kRho = static_cast<int>(ModelParameter::Rho);
inline constexpr int kQp = static_cast<int>(ModelParameter::Qp);
inline constexpr int kQs = static_cast<int>(ModelParameter::Qs);

// A resonance of the top layer for each wave type, 1000 V / (4 H) Hz, whose height
// follows the impedance contrast and the damping of the top layer; the ratio is S over P.
// The exponent widens the peaks, the reference frequency shifts them slightly.
inline double SyntheticRatio(const amodel& m, double referenceFrequency, double exponent, double f) {
  const auto peak = [&](int v, int q) {
    const double f0 = 1000.0 * m.values[v][0] / (4.0 * m.values[kH][0]) * (1.0 + 0.01 * referenceFrequency);
    const double contrast = (m.values[kRho][1] * m.values[v][1]) / (m.values[kRho][0] * m.values[v][0]);
    const double height = 1.0 + (contrast - 1.0) * m.values[q][0] / (m.values[q][0] + 5.0);
    const double width = 0.2 * f0 * (1.0 + exponent);
    const double x = (f - f0) / width;
    return 1.0 + (height - 1.0) / (1.0 + x * x);
  };
  return peak(kVs, kQs) / peak(kVp, kQp);
}

inline std::vector<double> LogFrequencies(int count = 41, double lowHz = 0.5, double highHz = 20.0) {
  std::vector<double> f(count);
  for (int k = 0; k < count; ++k) f[k] = lowHz * std::pow(highHz / lowHz, k / double(count - 1));
  return f;
}

// The synthetic curve at fixed frequencies, counting its calls; it can be told to fail
// at one call (numbered from 1) like a floating-point fault of the forward model.
struct SyntheticEvaluator {
  std::vector<double> frequencies = LogFrequencies();
  int calls = 0;
  int failAtCall = 0;
  std::function<void(const amodel&, double, double)> onCall;  // sees every evaluated state

  void operator()(const amodel& m, double fr, double a, numerics::arofcomplexM& curve) {
    ++calls;
    if (onCall) onCall(m, fr, a);
    if (calls == failAtCall) throw std::runtime_error("Floating point overflow");
    numerics::arofcomplexM result(frequencies.size());
    for (std::size_t k = 0; k < frequencies.size(); ++k)
      result[k] = {frequencies[k], SyntheticRatio(m, fr, a, frequencies[k])};
    curve = std::move(result);
  }
};

// A CurveEvaluator that forwards to a SyntheticEvaluator the test keeps.
inline CurveEvaluator Bind(SyntheticEvaluator& evaluator) {
  return [&evaluator](const amodel& m, double fr, double a, numerics::arofcomplexM& curve) {
    evaluator(m, fr, a, curve);
  };
}

// The observed curve of a state under the synthetic curve (no bounds).
inline spectra::RatioCurve ObservedFrom(const InversionState& truth, const std::vector<double>& frequencies) {
  spectra::RatioCurve observed;
  for (double f : frequencies) {
    const double r = SyntheticRatio(truth.model, truth.referenceFrequency, truth.dispersionExponent, f);
    observed.points.push_back({f, r, r, r});
  }
  return observed;
}

// Records every report and shown state; asks for a stop at the report numbered stopAtReport (from 1).
class RecordingProgress : public InversionProgress {
 public:
  std::vector<int> percents;
  std::vector<InversionSnapshot> shown;
  int curvesShown = 0;
  int stopAtReport = 0;

  void Report(int percent) override {
    percents.push_back(percent);
    if (static_cast<int>(percents.size()) == stopAtReport) RequestStop();
  }
  void ShowState(const InversionSnapshot& snapshot) override { shown.push_back(snapshot); }
  void ShowTheoreticalCurve(const numerics::arofcomplexM&) override { ++curvesShown; }
};

// A two-layer-and-half-space model with every invert flag off; tests switch on what they fit.
inline InversionState SmallState() {
  InversionState state;
  ModelTables tables;
  ResetModel(state.model, tables, 3);
  for (auto& flags : state.model.invertFlags) flags.assign(3, false);
  state.model.values[kH] = {20.0, 30.0, 40.0};
  state.model.values[kVp] = {0.5, 1.2, 2.0};
  state.model.values[kVs] = {0.2, 0.5, 1.0};
  state.model.values[kRho] = {1.8, 2.0, 2.2};
  state.model.values[kQp] = {20.0, 40.0, 60.0};
  state.model.values[kQs] = {10.0, 20.0, 30.0};
  state.referenceFrequency = 0.0;
  state.dispersionExponent = 0.1;
  return state;
}

inline bool AllFinite(const InversionState& state) {
  for (const auto& column : state.model.values)
    for (double v : column)
      if (!std::isfinite(v)) return false;
  return std::isfinite(state.referenceFrequency) && std::isfinite(state.dispersionExponent);
}

}  // namespace corvath::inversion::testing

#include "inversion/theoreticalcurve.h"

namespace corvath::inversion::testing {

// The 101-point frequency grid of an observed curve between 1 and 20 Hz.
inline std::vector<double> GridFrequencies() {
  std::vector<double> f(101);
  for (int k = 0; k <= 100; ++k) f[k] = 1.0 + 19.0 * k / 100.0;
  return f;
}

// The observed curve of a state under the real theoretical curve, on the 1..20 Hz grid.
inline spectra::RatioCurve ForwardObserved(const InversionState& truth) {
  numerics::arofcomplexM curve;
  ComputeTheoreticalCurve(truth.model, truth.referenceFrequency, truth.dispersionExponent, GridFrequencies(), curve);
  spectra::RatioCurve observed;
  for (const auto& point : curve) observed.points.push_back({point.re, point.im, point.im, point.im});
  return observed;
}

}  // namespace corvath::inversion::testing
