#include "app/fieldstandardhv.h"

#include <new>

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
  numerics::Result<spectra::FieldStandardResult> outcome = Outcome::Failed("no field-standard H/V was calculated");
  try {
    outcome = spectra::CalculateFieldStandard(workspace.record, WindowIntervals(workspace.windows), settings);
  } catch (const std::bad_alloc&) {
    return Outcome::Failed("Not enough memory for the field-standard H/V of this record");
  } catch (const std::exception& error) {
    return Outcome::Failed(error.what());
  }
  if (!outcome.done()) return Outcome::Failed(outcome.message());
  workspace.fieldStandardResult = std::move(outcome.value);
  return Outcome::Done();
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
