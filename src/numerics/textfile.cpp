#include "numerics/textfile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace corvath::numerics {

FileError FileError::fromErrno(int err, const std::string& path) {
  switch (err) {
    case ENOENT: return FileError("File not found", path);
    case ENOTDIR: return FileError("Path not found", path);
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return FileError("File access denied", path);
    case EMFILE:
    case ENFILE: return FileError("Too many open files", path);
    case ENOSPC: return FileError("Disk full", path);
    default: return FileError(std::strerror(err), path);
  }
}

namespace {
constexpr std::size_t kBufferSize = 1 << 20;
constexpr char kEndOfFile = 0x1A;

std::FILE* openForReading(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) throw FileError::fromErrno(errno, path);
  // A directory opens on some systems but can never be read as a file.
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    std::fclose(f);
    throw FileError("File access denied", path);
  }
  return f;
}
}  // namespace

TextLineReader::TextLineReader(const std::string& path) : path_(path), buffer_(kBufferSize) {
  file_ = openForReading(path);
}

TextLineReader::~TextLineReader() {
  if (file_) std::fclose(file_);
}

bool TextLineReader::fill() {
  if (eof_) return false;
  if (begin_ > 0 && begin_ < end_) std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
  end_ -= begin_;
  begin_ = 0;
  if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);  // a line longer than the buffer
  const std::size_t got = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_);
  if (got == 0) {
    if (std::ferror(file_)) {
      const int err = errno;
      throw FileError(err == EISDIR ? "File access denied" : "Disk read error", path_);
    }
    eof_ = true;
    return false;
  }
  // The byte 0x1A ends the file: drop it and everything after it.
  if (const void* eofMark = std::memchr(buffer_.data() + end_, kEndOfFile, got)) {
    end_ = static_cast<std::size_t>(static_cast<const char*>(eofMark) - buffer_.data());
    eof_ = true;
  } else {
    end_ += got;
  }
  return true;
}

bool TextLineReader::next(std::string_view& line) {
  std::size_t scanFrom = begin_;
  for (;;) {
    const char* start = buffer_.data() + begin_;
    const void* lf = std::memchr(buffer_.data() + scanFrom, '\n', end_ - scanFrom);
    std::size_t length;
    if (lf) {
      length = static_cast<std::size_t>(static_cast<const char*>(lf) - start);
    } else {
      const std::size_t scanned = end_ - begin_;
      if (fill()) {
        scanFrom = begin_ + scanned;
        continue;
      }
      if (end_ == begin_) return false;  // nothing left
      length = end_ - begin_;
      start = buffer_.data() + begin_;
    }
    const std::size_t consumed = length + (lf ? 1 : 0);
    line = WithoutCarriageReturns(std::string_view(start, length), line_);
    begin_ += consumed;
    return true;
  }
}

std::string_view WithoutCarriageReturns(std::string_view raw, std::string& scratch) {
  if (raw.find('\r') == std::string_view::npos) return raw;
  scratch.clear();
  for (char c : raw)
    if (c != '\r') scratch.push_back(c);
  return scratch;
}

void LowerAscii(std::string& text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
}

std::string ReadBinaryFile(const std::string& path) {
  std::FILE* f = openForReading(path);
  std::string data;
  char chunk[1 << 16];
  for (;;) {
    const std::size_t got = std::fread(chunk, 1, sizeof chunk, f);
    data.append(chunk, got);
    if (got < sizeof chunk) break;
  }
  const bool failed = std::ferror(f);
  const int err = errno;
  std::fclose(f);
  if (failed) throw FileError(err == EISDIR ? "File access denied" : "Disk read error", path);
  return data;
}

}  // namespace corvath::numerics
