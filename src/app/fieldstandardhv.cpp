#include "app/fieldstandardhv.h"

#include <exception>
#include <utility>

#include "app/atomicfile.h"
#include "app/commands.h"
#include "spectra/fieldstandardreport.h"

namespace corvath::app {

namespace {
constexpr const char* kNoResult = "no field-standard H/V was calculated yet";
}

std::string PeakNotice(const spectra::RatioCurve& ratio) {
  if (ratio.points.empty() || spectra::PeakInsideBand(ratio)) return {};
  return "no peak inside the band";
}

Outcome CalculateFieldStandardHv(Workspace& workspace, const FieldStandardSettings& settings) {
  try {
    Result<spectra::FieldStandardResult> result =
        spectra::CalculateFieldStandard(workspace.record, WindowIntervals(workspace.windows), settings);
    if (!result.done()) return std::move(result.outcome);
    workspace.fieldStandardResult = std::move(result.value);
    return Outcome::Done();
  } catch (...) {
    return OutcomeOfException(std::current_exception(), "Not enough memory for the field-standard H/V of this record");
  }
}

Outcome WriteFieldStandardReport(const Workspace& workspace, std::ostream& out, bool json) {
  if (!workspace.fieldStandardResult) return Outcome::Unchanged(kNoResult);
  if (json)
    spectra::WriteFieldStandardJson(out, *workspace.fieldStandardResult);
  else
    spectra::WriteFieldStandardReport(out, *workspace.fieldStandardResult);
  return Outcome::Done();
}

Outcome SaveFieldStandardCurve(const Workspace& workspace, const std::string& path) {
  if (!workspace.fieldStandardResult) return Outcome::Unchanged(kNoResult);
  const spectra::FieldStandardResult& result = *workspace.fieldStandardResult;
  return WriteFileAtomically(path, [&](std::ostream& out) {
    spectra::WriteFieldStandardCurve(out, result);
    return static_cast<bool>(out);
  });
}

}  // namespace corvath::app
