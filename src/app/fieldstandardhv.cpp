#include "app/fieldstandardhv.h"

#include <exception>
#include <utility>

#include "app/atomicfile.h"
#include "app/commands.h"
#include "app/windowcommands.h"
#include "spectra/fieldstandardreport.h"

namespace corvath::app {

namespace {
constexpr const char* kNoResult = "no field-standard H/V was calculated yet";
}

std::string PeakNotice(const spectra::RatioCurve& ratio) {
  const auto& points = ratio.points;
  if (points.empty() || spectra::PeakInsideBand(ratio)) return {};
  std::string notice = "no peak inside the band";
  if (!ratio.peak || points.size() < 2) return notice;
  // A curve still rising at an end of the band points past it: say where to look.
  const std::size_t at = *ratio.peak;
  const bool low = at == 0 && points[0].ratio > points[1].ratio;
  const bool high = at + 1 == points.size() && points[at].ratio > points[at - 1].ratio;
  const std::string edge = spectra::ReportNumber(points[at].frequencyHz);
  if (low) notice += ": the ratio rises to the band's low edge (" + edge + " Hz), the peak may lie below Min frq";
  if (high) notice += ": the ratio rises to the band's high edge (" + edge + " Hz), the peak may lie above Max frq";
  return notice;
}

ComputedFieldStandard ComputeFieldStandardHv(const import::ThreeComponentRecord& record,
                                             const std::vector<spectra::WindowInterval>& windows,
                                             const FieldStandardSettings& settings,
                                             const numerics::ProgressHook& progress) {
  ComputedFieldStandard computed;
  try {
    // One preparation (windows, STA/LTA) for the curves and, when asked, the azimuths.
    // The azimuths repeat the transforms once more with a horizontal per direction:
    // they take the larger share of the progress.
    const double share = settings.azimuthStepDegrees ? 0.3 : 1.0;
    numerics::ProgressHook first, second;
    if (progress) {
      first = [&progress, share](double f) { return progress(f * share); };
      second = [&progress, share](double f) { return progress(share + f * (1.0 - share)); };
    }
    numerics::Progress firstProgress(first), secondProgress(second);
    Result<spectra::FieldStandardRun> run = spectra::CalculateFieldStandardRun(
        record, windows, settings, progress ? &firstProgress : nullptr, progress ? &secondProgress : nullptr);
    if (!run.done()) {
      computed.outcome = std::move(run.outcome);
      return computed;
    }
    computed.result = std::move(run->result);
    computed.azimuthal = std::move(run->azimuthal);
    computed.outcome = Outcome::Done();
  } catch (const numerics::Cancelled&) {
    computed = {};
    computed.outcome = Outcome::Unchanged("cancelled");
  } catch (...) {
    computed = {};
    computed.outcome =
        OutcomeOfException(std::current_exception(), "Not enough memory for the field-standard H/V of this record");
  }
  return computed;
}

Outcome ApplyComputedFieldStandard(Workspace& workspace, ComputedFieldStandard&& computed) {
  if (!computed.outcome.done() || !computed.result) return computed.outcome;
  workspace.fieldStandardResult = std::move(computed.result);
  workspace.azimuthalResult = std::move(computed.azimuthal);
  return computed.outcome;
}

Outcome CalculateFieldStandardHv(Workspace& workspace, const FieldStandardSettings& settings) {
  return ApplyComputedFieldStandard(workspace,
                                    ComputeFieldStandardHv(workspace.record, WindowIntervals(workspace.windows), settings));
}

Outcome WriteFieldStandardReport(const Workspace& workspace, std::ostream& out, bool json) {
  if (!workspace.fieldStandardResult) return Outcome::Unchanged(kNoResult);
  const spectra::AzimuthalHv* azimuthal = workspace.azimuthalResult ? &*workspace.azimuthalResult : nullptr;
  if (json)
    spectra::WriteFieldStandardJson(out, *workspace.fieldStandardResult, azimuthal);
  else
    spectra::WriteFieldStandardReport(out, *workspace.fieldStandardResult, azimuthal);
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

namespace {

// The last result written to path by write(out, result), replaced atomically.
template <typename Write>
Outcome saveResult(const Workspace& workspace, const std::string& path, Write&& write) {
  if (!workspace.fieldStandardResult) return Outcome::Unchanged(kNoResult);
  return WriteFileAtomically(path, [&](std::ostream& out) {
    write(out, *workspace.fieldStandardResult);
    return static_cast<bool>(out);
  });
}

}  // namespace

Outcome SaveFieldStandardHvFile(const Workspace& workspace, const std::string& path,
                                const spectra::HvPosition& position) {
  return saveResult(workspace, path, [&](std::ostream& out, const spectra::FieldStandardResult& result) {
    spectra::WriteHvFile(out, result, position);
  });
}

Outcome SaveWindowTable(const Workspace& workspace, const std::string& path) {
  return saveResult(workspace, path, spectra::WriteWindowTable);
}

Outcome SaveWindowCurves(const Workspace& workspace, const std::string& path) {
  return saveResult(workspace, path, spectra::WriteWindowCurves);
}

Outcome SaveAzimuthTable(const Workspace& workspace, const std::string& path) {
  if (!workspace.azimuthalResult) return Outcome::Unchanged("no azimuthal H/V was calculated yet");
  return WriteFileAtomically(path, [&](std::ostream& out) {
    spectra::WriteAzimuthTable(out, *workspace.azimuthalResult);
    return static_cast<bool>(out);
  });
}

Outcome SelectWindowsAutomatically(Workspace& workspace, const FieldStandardSettings& settings) {
  try {
    Result<std::vector<spectra::WindowInterval>> quiet = spectra::SelectQuietWindows(workspace.record, settings);
    if (!quiet.done()) return std::move(quiet.outcome);
    ClearAnalysisWindows(workspace);
    for (const spectra::WindowInterval& window : *quiet)
      AddAnalysisWindow(workspace, window.startSeconds, window.endSeconds);
    return Outcome::Done(quiet.outcome.message);
  } catch (...) {
    return OutcomeOfException(std::current_exception(), "Not enough memory to select windows in this record");
  }
}

}  // namespace corvath::app
