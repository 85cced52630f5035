#include "app/version.h"

#include <fftw3.h>
#include <libmseed.h>
#include <xlsxwriter.h>

namespace corvath::app {

std::string ProgramVersion() { return CORVATH_VERSION; }

std::vector<std::pair<std::string, std::string>> LibraryVersions() {
  std::string fftw = fftw_version;  // "fftw-3.3.10-sse2-avx"
  if (fftw.rfind("fftw-", 0) == 0) fftw.erase(0, 5);
  return {
      {"FFTW", fftw},
      {"libmseed", LIBMSEED_VERSION},
      {"libxlsxwriter", LXW_VERSION},
      {"ALGLIB", CORVATH_ALGLIB_VERSION},
  };
}

}  // namespace corvath::app
