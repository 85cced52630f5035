#include "cli/commands.h"

#include <cstdio>

namespace corvath::cli {

int RunSpectra(const std::vector<std::string>&) {
  std::fputs("corvath-cli spectra: not available yet\n", stderr);
  return 2;
}

}  // namespace corvath::cli
