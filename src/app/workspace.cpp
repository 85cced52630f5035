#include "app/workspace.h"

namespace corvath::app {

Workspace::Workspace() { inversion::ResetModel(model, modelTables, kInitialLayerCount); }

void ResetWorkspace(Workspace& workspace) {
  windows::ClearWindows(workspace.windows);
  const int layers = workspace.model.layerCount() > 0 ? workspace.model.layerCount() : kInitialLayerCount;
  inversion::ResetModel(workspace.model, workspace.modelTables, layers);
}

}  // namespace corvath::app
