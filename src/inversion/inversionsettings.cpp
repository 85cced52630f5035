#include "inversion/inversionsettings.h"

#include <algorithm>
#include <cmath>

namespace corvath::inversion {

namespace {

using numerics::SettingKind;
using S = InversionSettings;

constexpr numerics::SettingRange kFlag = numerics::Between(0, 1);

const numerics::Setting<S> kSettings[] = {
    {"iterNumber", "Iter number", "the number of iterations", "", SettingKind::Whole, numerics::Between(1, 500),
     [](const S& s) { return double(s.IterationCount); }, [](S& s, double v) { s.IterationCount = int(v); }},
    {"globalSearch", "Global search", "the global search", "", SettingKind::Flag, kFlag,
     [](const S& s) { return s.GlobalSearch ? 1.0 : 0.0; }, [](S& s, double v) { s.GlobalSearch = v != 0.0; }},
    {"optimizeReferenceFrequency", "", "the reference frequency's optimisation", "", SettingKind::Flag, kFlag,
     [](const S& s) { return s.OptimizeReferenceFrequency ? 1.0 : 0.0; },
     [](S& s, double v) { s.OptimizeReferenceFrequency = v != 0.0; }},
    {"optimizeDispersionExponent", "", "the dispersion exponent's optimisation", "", SettingKind::Flag, kFlag,
     [](const S& s) { return s.OptimizeDispersionExponent ? 1.0 : 0.0; },
     [](S& s, double v) { s.OptimizeDispersionExponent = v != 0.0; }},
    {"ratioConstraint", "Vp/Vs Qp/Qs constraint", "the ratio constraint", "", SettingKind::Flag, kFlag,
     [](const S& s) { return s.RatioConstraint ? 1.0 : 0.0; }, [](S& s, double v) { s.RatioConstraint = v != 0.0; }},
};

}  // namespace

const numerics::SettingTable<InversionSettings>& InversionSettingTable() {
  static const numerics::SettingTable<InversionSettings> table{kSettings};
  return table;
}

int IterationCountWithin(int count) {
  const numerics::SettingRange& range = InversionSettingTable().find("iterNumber")->range;
  return std::clamp(count, static_cast<int>(range.lower), static_cast<int>(range.upper));
}

FreeParameterList BuildFreeParameterList(const amodel& model, const InversionSettings& settings) {
  FreeParameterList list;
  const int n = model.layerCount();
  for (int p = 0; p < kParameterCount; ++p) {
    for (int layer = 0; layer < n; ++layer) {
      if (IsHalfSpaceCell(model, p, layer)) continue;
      if (model.invertFlags[p][layer]) list.push_back({FreeValueKind::Layer, p, layer});
    }
  }
  if (settings.OptimizeReferenceFrequency) list.push_back({FreeValueKind::ReferenceFrequency, 0, 0});
  if (settings.OptimizeDispersionExponent) list.push_back({FreeValueKind::DispersionExponent, 0, 0});
  return list;
}

namespace {

bool InBand(double frequencyHz, const InversionSettings& settings) {
  return frequencyHz >= settings.MinFrequency && frequencyHz <= settings.MaxFrequency;
}

bool HasLogarithm(double x) { return x > 0.0 && std::isfinite(x); }

}  // namespace

FitWeights ComputeFitWeights(const spectra::RatioCurve& observed, const InversionSettings& settings) {
  FitWeights weights(observed.points.size(), 0.0);
  for (std::size_t i = 0; i < weights.size(); ++i) {
    const spectra::RatioPoint& point = observed.points[i];
    if (!InBand(point.frequencyHz, settings) || !HasLogarithm(point.ratio)) continue;
    if (!observed.hasBounds) {
      weights[i] = 1.0;
      continue;
    }
    if (!HasLogarithm(point.lower) || !HasLogarithm(point.upper)) continue;
    const double spread = std::fabs(std::log(point.upper) - std::log(point.lower));
    if (spread > 0.0) weights[i] = 1.0 / spread;
    if (!std::isfinite(weights[i])) weights[i] = 0.0;
  }
  return weights;
}

FitWeights ComputeBandWeights(const spectra::RatioCurve& observed, const InversionSettings& settings) {
  FitWeights weights(observed.points.size(), 0.0);
  for (std::size_t i = 0; i < weights.size(); ++i) {
    const spectra::RatioPoint& point = observed.points[i];
    if (InBand(point.frequencyHz, settings) && HasLogarithm(point.ratio)) weights[i] = 1.0;
  }
  return weights;
}

}  // namespace corvath::inversion
