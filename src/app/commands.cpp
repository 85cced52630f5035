#include "app/commands.h"

#include <exception>
#include <utility>

#include "numerics/numbertext.h"

namespace corvath::app {

void LoadRecord(Workspace& workspace, import::ThreeComponentRecord&& record) {
  // Move-assignment keeps the three sample vectors at their addresses, so the
  // charts that draw them stay attached.
  workspace.record = std::move(record);
  ResetWorkspace(workspace);
}

void SetLogAveraging(Workspace& workspace, bool on) { workspace.logAveraging = on; }

std::vector<spectra::WindowInterval> WindowIntervals(const windows::WindowState& state) {
  std::vector<spectra::WindowInterval> intervals;
  intervals.reserve(state.windows.size());
  for (const windows::AnalysisWindow& window : state.windows) intervals.push_back({window.start, window.end});
  return intervals;
}

std::string CalculateWorkspaceSpectra(Workspace& workspace, std::string_view minFrqText,
                                      std::string_view maxFrqText) {
  spectra::SpectraOutcome outcome;
  try {
    outcome = spectra::CalculateSpectra(workspace.record, WindowIntervals(workspace.windows), workspace.logAveraging,
                                        minFrqText, maxFrqText);
  } catch (const std::exception& error) {
    // Out of memory on a huge record and the like: the previous result stays.
    return error.what();
  }
  if (!outcome.result) return outcome.failure.empty() ? std::string("no spectra could be computed") : outcome.failure;
  workspace.spectraResult = std::move(outcome.result);
  return {};
}

std::string ReadForwardModelFields(Workspace& workspace, std::string_view refFrqText,
                                   std::string_view kDegreeText) {
  std::string failure;
  const double reference = numerics::TextToNumber(refFrqText);
  if (reference == numerics::InvalidNumber)
    failure = "Ref frq \"" + std::string(refFrqText) + "\" is not a number";
  else
    workspace.referenceFrequency = reference;
  const double exponent = numerics::TextToNumber(kDegreeText);
  if (exponent == numerics::InvalidNumber) {
    if (!failure.empty()) failure += "; ";
    failure += "K degree \"" + std::string(kDegreeText) + "\" is not a number";
  } else {
    workspace.dispersionExponent = exponent;
  }
  return failure;
}

}  // namespace corvath::app
