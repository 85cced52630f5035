#include "inversion/inversionsettings.h"

#include <cmath>

namespace corvath::inversion {

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
