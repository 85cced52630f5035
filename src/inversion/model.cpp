#include "inversion/model.h"

#include <algorithm>
#include <cmath>

namespace corvath::inversion {

double NextLayerValue(const ModelTables& tables, int p, double previous) {
  const numerics::Complex& hard = tables.HardLimits[p];
  return std::max(hard.re, std::min(hard.im, previous * tables.IncFactors[p]));
}

numerics::arofdoubleM GenerateValues(const ModelTables& tables, int p, int n) {
  numerics::arofdoubleM values;
  if (n <= 0) return values;
  values.reserve(n);
  values.push_back(tables.StartValues[p]);
  for (int i = 1; i < n; ++i) values.push_back(NextLayerValue(tables, p, values.back()));
  return values;
}

void ResetModel(amodel& model, const ModelTables& tables, int n) {
  n = std::clamp(n, kMinLayers, kMaxLayers);
  for (int p = 0; p < kParameterCount; ++p) {
    model.values[p] = GenerateValues(tables, p, n);
    model.layerLimits[p].assign(n, tables.UserLimits[p]);
    model.invertFlags[p].assign(n, tables.InvertDefaults[p]);
  }
}

void SetLayerCount(amodel& model, const ModelTables& tables, int n) {
  n = std::clamp(n, kMinLayers, kMaxLayers);
  const int old = model.layerCount();
  if (old == 0) {
    ResetModel(model, tables, n);
    return;
  }
  for (int p = 0; p < kParameterCount; ++p) {
    for (int i = old; i < n; ++i) {  // one layer at a time, each from the one above
      model.values[p].push_back(NextLayerValue(tables, p, model.values[p][i - 1]));
      model.layerLimits[p].push_back(model.layerLimits[p][i - 1]);
      model.invertFlags[p].push_back(model.invertFlags[p][i - 1]);
    }
    model.values[p].resize(n);
    model.layerLimits[p].resize(n);
    model.invertFlags[p].resize(n);
  }
}

void ApplyParameterSettings(amodel& model, const ModelTables& tables, int p, SettingsSteps steps) {
  if (p < 0 || p >= kParameterCount) return;
  const int n = model.layerCount();
  if (steps.regenerate) model.values[p] = GenerateValues(tables, p, n);
  if (steps.copyLimits) model.layerLimits[p].assign(n, tables.UserLimits[p]);
  if (steps.copyInvert) model.invertFlags[p].assign(n, tables.InvertDefaults[p]);
}

std::string RangeRefusal(std::string_view label, double value, double lower, double upper) {
  const std::string named = std::string(label) + ": " + numerics::NumberToShortestText(value);
  if (!std::isfinite(value) || value == numerics::InvalidNumber) return named + " is not a number";
  if (lower == upper) return {};
  const bool hasLower = lower != 0.0;
  const bool hasUpper = upper != 0.0;
  if ((hasLower && value < lower) || (hasUpper && value > upper)) {
    const auto bound = [](double b, bool present) {
      return present ? numerics::NumberToShortestText(b) : std::string("...");
    };
    return named + " is not within " + bound(lower, hasLower) + " to " + bound(upper, hasUpper);
  }
  return {};
}

bool IsHalfSpaceCell(const amodel& model, int p, int layer) {
  const auto parameter = static_cast<ModelParameter>(p);
  return layer == model.layerCount() - 1 &&
         (parameter == ModelParameter::H || parameter == ModelParameter::Qp || parameter == ModelParameter::Qs);
}

std::string ModelCellText(const amodel& model, int p, int layer) {
  if (IsHalfSpaceCell(model, p, layer)) return "*";
  return numerics::NumberToText(1, model.values[p][layer]);
}

std::vector<std::pair<double, double>> ProfilePoints(const amodel& model, int p) {
  if (p <= 0 || p >= kParameterCount) p = static_cast<int>(ModelParameter::Vp);
  const auto& thickness = model.values[static_cast<int>(ModelParameter::H)];
  std::vector<std::pair<double, double>> points;
  points.reserve(2 * thickness.size());
  double depth = 0.0;
  for (int i = 0; i < model.layerCount(); ++i) {
    points.emplace_back(model.values[p][i], depth);
    points.emplace_back(model.values[p][i], depth + thickness[i]);
    depth += thickness[i];
  }
  return points;
}

}  // namespace corvath::inversion
