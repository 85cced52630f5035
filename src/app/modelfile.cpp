#include "app/modelfile.h"

#include <sstream>
#include <utility>

#include "app/atomicfile.h"
#include "app/inputfile.h"
#include "inversion/modeltable.h"
#include "inversion/modeltext.h"

namespace corvath::app {

Result<inversion::ModelTextSettings> OpenModelText(Workspace& workspace, const std::string& path) {
  std::ifstream in;
  if (Outcome opened = OpenInputFile(path, in); !opened.done()) return opened;
  inversion::ModelTextReading reading = inversion::ReadModelText(in, workspace.modelTables);
  if (!reading.model) return Outcome::Failed(reading.reason, path);
  workspace.model = std::move(*reading.model);
  return reading.settings;
}

Outcome LoadModelText(Workspace& workspace, const std::string& path) {
  return OpenModelText(workspace, path).outcome;
}

std::string ModelText(const Workspace& workspace, ModelValueText values, const inversion::ModelTextSettings& settings) {
  std::ostringstream out;
  inversion::WriteModelText(out, values == ModelValueText::Exact ? inversion::ExactModelTableRows(workspace.model)
                                                                 : inversion::ModelTableRows(workspace.model));
  inversion::WriteModelTextSettings(out, settings);
  return out.str();
}

Outcome SaveModelText(const Workspace& workspace, ModelValueText values, const std::string& path,
                      const inversion::ModelTextSettings& settings) {
  return WriteFileAtomically(path, ModelText(workspace, values, settings));
}

}  // namespace corvath::app
