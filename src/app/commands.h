#pragma once
// Commands of the main window that change the workspace. The window calls them
// and redraws; they never touch the user interface.
#include "app/workspace.h"
#include "import/record.h"

namespace corvath::app {

//! Replaces the record by a completely read new one, then runs ResetWorkspace.
void LoadRecord(Workspace& workspace, import::ThreeComponentRecord&& record);

//! "Smoothed spectra": sets logAveraging (means of logarithms when on).
void SetLogAveraging(Workspace& workspace, bool on);

}  // namespace corvath::app
