#include "cli/commands.h"

#include <cstdio>

namespace corvath::cli {

int RunDump(const std::vector<std::string>&) {
  std::fputs("corvath-cli dump: not available yet\n", stderr);
  return 2;
}

}  // namespace corvath::cli
