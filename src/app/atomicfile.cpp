#include "app/atomicfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvath::app {

namespace {

std::string describe(int error) { return std::strerror(error); }

// A unique temporary file in the target's folder, so that the rename stays on one
// file system. Returns its descriptor and name, or -1 with errno set.
int createTemporary(const std::string& path, std::string& temporaryPath) {
  const std::size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string pattern = folder + "." + name + ".XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  const int fd = ::mkstemp(buffer.data());
  if (fd < 0) return fd;
  temporaryPath.assign(buffer.data());
  // The new file takes the usual permissions of a created file, not mkstemp's 0600.
  static const mode_t mask = [] {
    const mode_t m = ::umask(0);
    ::umask(m);
    return m;
  }();
  ::fchmod(fd, 0666 & ~mask);
  return fd;
}

bool writeAll(int fd, std::string_view content) {
  while (!content.empty()) {
    const ssize_t n = ::write(fd, content.data(), content.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    content.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

Outcome cannotWrite(const std::string& path, int error) {
  return Outcome::Failed("Cannot write file " + path + ": " + describe(error), path);
}

// Flushes and closes fd, then renames temporaryPath over path; removes the
// temporary file on any failure.
Outcome finish(int fd, const std::string& temporaryPath, const std::string& path) {
  if (::fsync(fd) != 0) {
    const int error = errno;
    ::close(fd);
    ::unlink(temporaryPath.c_str());
    return cannotWrite(path, error);
  }
  if (::close(fd) != 0) {
    const int error = errno;
    ::unlink(temporaryPath.c_str());
    return cannotWrite(path, error);
  }
  if (std::rename(temporaryPath.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporaryPath.c_str());
    return cannotWrite(path, error);
  }
  return Outcome::Done();
}

}  // namespace

Outcome WriteFileAtomically(const std::string& path, std::string_view content) {
  if (path.empty()) return Outcome::Failed("Cannot create file: no file name");
  std::string temporaryPath;
  const int fd = createTemporary(path, temporaryPath);
  if (fd < 0) return Outcome::Failed("Cannot create file " + path + ": " + describe(errno), path);
  if (!writeAll(fd, content)) {
    const int error = errno;
    ::close(fd);
    ::unlink(temporaryPath.c_str());
    return cannotWrite(path, error);
  }
  return finish(fd, temporaryPath, path);
}

Outcome WriteFileAtomically(const std::string& path, const std::function<bool(std::ostream&)>& write) {
  std::ostringstream out;
  if (!write(out) || !out) return Outcome::Failed("Cannot write file " + path, path);
  return WriteFileAtomically(path, out.view());
}

Outcome ReplaceFileAtomically(const std::string& path,
                              const std::function<Outcome(const std::string& temporaryPath)>& write) {
  if (path.empty()) return Outcome::Failed("Cannot create file: no file name");
  std::string temporaryPath;
  const int fd = createTemporary(path, temporaryPath);
  if (fd < 0) return Outcome::Failed("Cannot create file " + path + ": " + describe(errno), path);
  Outcome written = write(temporaryPath);
  if (!written.done()) {
    ::close(fd);
    ::unlink(temporaryPath.c_str());
    if (written.path.empty() || written.path == temporaryPath) written.path = path;
    return written;
  }
  // The writer wrote through its own handle: reopen our descriptor's file to flush it.
  ::close(fd);
  const int again = ::open(temporaryPath.c_str(), O_RDONLY);
  if (again < 0) {
    const int error = errno;
    ::unlink(temporaryPath.c_str());
    return cannotWrite(path, error);
  }
  return finish(again, temporaryPath, path);
}

}  // namespace corvath::app
