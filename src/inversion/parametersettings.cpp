#include "inversion/parametersettings.h"

#include "numerics/numbertext.h"

namespace corvath::inversion {
namespace {

using numerics::InvalidNumber;
using numerics::TextToNumber;

constexpr double kMinIncFactor = 1.0;
constexpr double kMaxIncFactor = 7.0;

bool IsParameter(int p) { return p >= 0 && p < kParameterCount; }

}  // namespace

void FillParameterSettings(ParameterSettings& settings, const ModelTables& tables, int p) {
  if (!IsParameter(p)) return;
  settings.startValue = numerics::NumberToText(1, tables.StartValues[p]);
  settings.incFactor = numerics::NumberToText(1, tables.IncFactors[p]);
  settings.minimum = numerics::NumberToText(1, tables.UserLimits[p].re);
  settings.maximum = numerics::NumberToText(1, tables.UserLimits[p].im);
  settings.invertFlag = tables.InvertDefaults[p];
}

AppliedSettings ApplyParameterSettings(amodel& model, ModelTables& tables, int p, const ParameterSettings& settings) {
  AppliedSettings applied;
  if (!IsParameter(p)) return applied;
  const numerics::Complex hard = tables.HardLimits[p];

  if (settings.valuesEnabled) {
    const double start = TextToNumber(settings.startValue, hard.re, hard.im);
    const double factor =
        start == InvalidNumber ? InvalidNumber : TextToNumber(settings.incFactor, kMinIncFactor, kMaxIncFactor);
    if (factor != InvalidNumber) {
      tables.StartValues[p] = start;
      tables.IncFactors[p] = factor;
      ApplyParameterSettings(model, tables, p, SettingsSteps{.regenerate = true});
      applied.values = true;
    }
  }

  if (settings.limitsEnabled) {
    const double minimum = TextToNumber(settings.minimum, hard.re, hard.im);
    const double maximum = TextToNumber(settings.maximum, hard.re, hard.im);
    if (minimum != InvalidNumber && maximum != InvalidNumber && maximum > minimum) {
      tables.UserLimits[p] = numerics::Complex{minimum, maximum};
      ApplyParameterSettings(model, tables, p, SettingsSteps{.copyLimits = true});
      applied.limits = true;
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
