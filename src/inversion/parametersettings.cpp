#include "inversion/parametersettings.h"

#include <utility>

#include "numerics/numbertext.h"

namespace corvath::inversion {
namespace {

bool IsParameter(int p) { return p >= 0 && p < kParameterCount; }

std::optional<double> BoundOf(double stored) {
  if (stored == numerics::InvalidNumber) return std::nullopt;
  return stored;
}

// Adds why the number may not go in the field to refusals; true when it may.
bool Admit(std::vector<std::string>& refusals, const char* label, double value, double lower, double upper) {
  std::string refusal = RangeRefusal(label, value, lower, upper);
  if (refusal.empty()) return true;
  refusals.push_back(std::move(refusal));
  return false;
}

// As Admit, for a user-limit bound that may be unset.
bool AdmitBound(std::vector<std::string>& refusals, const char* label, const std::optional<double>& value,
                numerics::Complex hard) {
  if (!value) {
    refusals.push_back(std::string(label) + ": not set");
    return false;
  }
  return Admit(refusals, label, *value, hard.re, hard.im);
}

}  // namespace

void FillParameterSettings(ParameterSettings& settings, const ModelTables& tables, int p) {
  if (!IsParameter(p)) return;
  settings.startValue = tables.StartValues[p];
  settings.incFactor = tables.IncFactors[p];
  settings.minimum = BoundOf(tables.UserLimits[p].re);
  settings.maximum = BoundOf(tables.UserLimits[p].im);
  settings.invertFlag = tables.InvertDefaults[p];
}

AppliedSettings ApplyParameterSettings(amodel& model, ModelTables& tables, int p, const ParameterSettings& settings) {
  AppliedSettings applied;
  if (!IsParameter(p)) return applied;
  const numerics::Complex hard = tables.HardLimits[p];
  std::vector<std::string>& refusals = applied.refusals;

  if (settings.valuesEnabled) {
    // Both fields are checked, so that each refused one is named.
    const bool start = Admit(refusals, kStartValueLabel, settings.startValue, hard.re, hard.im);
    const bool factor = Admit(refusals, kIncFactorLabel, settings.incFactor, kMinIncFactor, kMaxIncFactor);
    if (start && factor) {
      tables.StartValues[p] = settings.startValue;
      tables.IncFactors[p] = settings.incFactor;
      ApplyParameterSettings(model, tables, p, SettingsSteps{.regenerate = true});
      applied.values = true;
    }
  }

  if (settings.limitsEnabled) {
    const bool minimum = AdmitBound(refusals, kMinimumLabel, settings.minimum, hard);
    const bool maximum = AdmitBound(refusals, kMaximumLabel, settings.maximum, hard);
    if (minimum && maximum) {
      if (*settings.maximum > *settings.minimum) {
        tables.UserLimits[p] = numerics::Complex{*settings.minimum, *settings.maximum};
        ApplyParameterSettings(model, tables, p, SettingsSteps{.copyLimits = true});
        applied.limits = true;
      } else {
        refusals.push_back(std::string(kMaximumLabel) + ": " + numerics::NumberToShortestText(*settings.maximum) +
                           " is not above the " + kMinimumLabel + " " +
                           numerics::NumberToShortestText(*settings.minimum));
      }
    }
  }

  if (settings.invertEnabled) {
    tables.InvertDefaults[p] = settings.invertFlag;
    ApplyParameterSettings(model, tables, p, SettingsSteps{.copyInvert = true});
    applied.invert = true;
  }
  return applied;
}

}  // namespace corvath::inversion
