#include "app/workspace.h"

namespace corvath::app {

void ResetWorkspace(Workspace&) {}

}  // namespace corvath::app
