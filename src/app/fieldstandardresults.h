#pragma once
// "Save results" while the field-standard result is the one shown: the text and
// workbook forms hold its curve with the bounds and mean spectra, f0 and A0, the
// criteria, the windows and the settings instead of the classic table.
#include "app/commands.h"
#include "app/outcome.h"
#include "app/workspace.h"

namespace corvath::app {

//! Writes the last field-standard result in the form the request names (replaced
//! atomically): both text forms the results text, the workbook its four sheets, and
//! "Model to text file" the model as SaveResults does. Unchanged when there is no
//! field-standard result.
Outcome SaveFieldStandardResults(const Workspace& workspace, const SaveRequest& request);

}  // namespace corvath::app
