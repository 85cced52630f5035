#pragma once
// The layered model as a text file: read into the workspace, and written either as
// "Model to text file" shows it or with every value exact, for a script to go on from.
#include <string>

#include "app/outcome.h"
#include "app/workspace.h"
#include "inversion/modeltext.h"

namespace corvath::app {

//! Replaces the workspace's model by the one in the model-text file at path (ReadModelText:
//! 2 to 10 layers, values within HardLimits); its invert flags and layer limits come from
//! the workspace's tables as ResetModel makes them. Failed with the file's name when it
//! cannot be read or is refused (the reason names the line); the model then stays.
Outcome LoadModelText(Workspace& workspace, const std::string& path);

//! LoadModelText, answering with the "Ref frq" and "K degree" the file carries (each
//! unset when the file has no line for it; the workspace's values are left alone).
Result<inversion::ModelTextSettings> OpenModelText(Workspace& workspace, const std::string& path);

//! How the values of a model text are written.
enum class ModelValueText {
  Shown,  //!< as the parameter table shows them (NumberToText base 1)
  Exact,  //!< the shortest text that reads back to the same double
};

//! The workspace's model in the "Model to text file" layout (CR LF line ends), then the
//! lines of the settings given ("Ref frq: V", "K degree: V", values exact).
std::string ModelText(const Workspace& workspace, ModelValueText values,
                      const inversion::ModelTextSettings& settings = {});

//! ModelText written to path through the atomic writer.
Outcome SaveModelText(const Workspace& workspace, ModelValueText values, const std::string& path,
                      const inversion::ModelTextSettings& settings = {});

}  // namespace corvath::app
