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

Result<std::string> ReadSmallTextFile(const std::string& path, std::uintmax_t maxBytes) {
  std::ifstream in;
  if (Outcome opened = OpenInputFile(path, in); !opened.done()) return opened;
  // Read by blocks up to the bound, so that neither a huge file nor an endless device
  // (a pipe, /dev/zero) is taken whole.
  std::string text;
  std::string block(1u << 16, '\0');
  while (in) {
    in.read(block.data(), static_cast<std::streamsize>(block.size()));
    text.append(block.data(), static_cast<std::size_t>(in.gcount()));
    if (text.size() > maxBytes)
      return Outcome::Failed(path + ": too large to be read whole (at most " + std::to_string(maxBytes >> 20) +
                                 " MB)",
                             path);
  }
  if (in.bad()) return Outcome::Failed(path + ": cannot be read", path);
  return text;
}

}  // namespace corvath::app
