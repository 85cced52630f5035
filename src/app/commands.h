#pragma once
// Commands of the main window that change the workspace. The window calls them
// and redraws; they never touch the user interface.
#include <string>
#include <string_view>
#include <vector>

#include "app/workspace.h"
#include "import/record.h"
#include "spectra/windowspectra.h"

namespace corvath::app {

//! Replaces the record by a completely read new one, then runs ResetWorkspace.
void LoadRecord(Workspace& workspace, import::ThreeComponentRecord&& record);

//! "Smoothed spectra": sets logAveraging (means of logarithms when on).
void SetLogAveraging(Workspace& workspace, bool on);

//! The analysis windows as the spectra see them: in list order, both ends inclusive (s).
std::vector<spectra::WindowInterval> WindowIntervals(const windows::WindowState& state);

//! "Calculate spectra" off the "1D inversion" tab: spectra and H/Z of the record over
//! the analysis windows (automatic segmentation without any), with logAveraging and
//! the "Min frq" / "Max frq" texts (Hz). On success the result replaces
//! spectraResult and the answer is empty; otherwise spectraResult stays as it was and
//! the answer is the reason.
std::string CalculateWorkspaceSpectra(Workspace& workspace, std::string_view minFrqText,
                                      std::string_view maxFrqText);

//! "Calculate spectra" on the "1D inversion" tab: reads "Ref frq" (Hz) into
//! referenceFrequency and "K degree" into dispersionExponent. A text that is not a
//! number leaves its value as it was and is named in the answer (empty when both were read).
std::string ReadForwardModelFields(Workspace& workspace, std::string_view refFrqText,
                                   std::string_view kDegreeText);

}  // namespace corvath::app
