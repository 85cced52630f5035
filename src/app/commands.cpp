#include "app/commands.h"

#include <utility>

namespace corvath::app {

void LoadRecord(Workspace& workspace, import::ThreeComponentRecord&& record) {
  // Move-assignment keeps the three sample vectors at their addresses, so the
  // charts that draw them stay attached.
  workspace.record = std::move(record);
  ResetWorkspace(workspace);
}

void SetLogAveraging(Workspace& workspace, bool on) { workspace.logAveraging = on; }

}  // namespace corvath::app
