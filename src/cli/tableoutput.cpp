#include "cli/tableoutput.h"

#include "app/atomicfile.h"
#include "cli/options.h"

namespace corvath::cli {

int WriteTable(const std::string& command, const std::string& text, const std::string& path) {
  if (path.empty()) {
    if (!WriteStandardOutput(text)) return ReportFailure(command, "cannot write the table to standard output");
    return 0;
  }
  if (const app::Outcome saved = app::WriteFileAtomically(path, text); !saved.done()) {
    ReportOutcome(command, saved);
    return 1;
  }
  return 0;
}

}  // namespace corvath::cli
