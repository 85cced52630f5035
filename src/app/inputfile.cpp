#include "app/inputfile.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "numerics/textfile.h"

namespace corvath::app {

Outcome OpenInputFile(const std::string& path, std::ifstream& in) {
  if (path.empty()) return Outcome::Failed("File not found: no file name");
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return Outcome::Failed("File access denied", path);
  errno = 0;
  in.open(path, std::ios::binary);
  if (!in.is_open()) {
    const int error = errno != 0 ? errno : ENOENT;
    return Outcome::Failed(numerics::FileError::fromErrno(error, path).what(), path);
  }
  return Outcome::Done();
}

}  // namespace corvath::app
