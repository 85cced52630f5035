#include "numerics/textfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <istream>
#include <system_error>

#include <sys/stat.h>

#include "numerics/parallel.h"

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

FileError LineTooLong(const std::string& path, std::size_t lineNumber) {
  return FileError("File \"" + path + "\": line " + std::to_string(lineNumber) + " is longer than " +
                       std::to_string(kMaxLineBytes) + " bytes (1 MiB); this is not a record text file",
                   path);
}

namespace {
// Twice the longest line: a buffer full without a line end holds an over-long line.
constexpr std::size_t kBufferSize = 2 * kMaxLineBytes;
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

TextLineReader::TextLineReader(const std::string& path, Progress* progress)
    : path_(path), buffer_(kBufferSize), progress_(progress) {
  file_ = openForReading(path);
  struct stat info {};
  if (::fstat(::fileno(file_), &info) == 0 && S_ISREG(info.st_mode))
    fileSize_ = static_cast<std::uint64_t>(info.st_size);
}

std::optional<std::uint64_t> TextLineReader::bytesLeft() const {
  if (!fileSize_) return std::nullopt;
  const std::uint64_t consumed = bytesRead_ - (end_ - begin_);
  return *fileSize_ > consumed ? *fileSize_ - consumed : 0;
}

TextLineReader::~TextLineReader() {
  if (file_) std::fclose(file_);
}

bool TextLineReader::fill() {
  if (eof_) return false;
  if (begin_ > 0 && begin_ < end_) std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
  end_ -= begin_;
  begin_ = 0;
  if (end_ == buffer_.size()) throw LineTooLong(path_, lineNumber_ + 1);
  // Reads of at most the cap keep the bytes being scanned within the cache.
  const std::size_t got = std::fread(buffer_.data() + end_, 1, std::min(buffer_.size() - end_, kMaxLineBytes), file_);
  if (got == 0) {
    if (std::ferror(file_)) {
      const int err = errno;
      throw FileError(err == EISDIR ? "File access denied" : "Disk read error", path_);
    }
    eof_ = true;
    return false;
  }
  bytesRead_ += got;
  Advance(progress_, static_cast<double>(got));
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
    ++lineNumber_;
    if (length > kMaxLineBytes) throw LineTooLong(path_, lineNumber_);
    line = WithoutCarriageReturns(std::string_view(start, length), line_);
    begin_ += consumed;
    return true;
  }
}

bool TextLineReader::nextBlock(std::string_view& block, std::size_t bytes) {
  bytes = std::max(bytes, kBufferSize);
  if (buffer_.size() < bytes) buffer_.resize(bytes);
  // Whatever the previous block left (a line begun) moves to the front, and the
  // buffer fills up behind it.
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  while (!eof_ && end_ < buffer_.size()) {
    const std::size_t got = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_);
    if (got == 0) {
      if (std::ferror(file_)) {
        const int err = errno;
        throw FileError(err == EISDIR ? "File access denied" : "Disk read error", path_);
      }
      eof_ = true;
      break;
    }
    bytesRead_ += got;
    Advance(progress_, static_cast<double>(got));
    if (const void* eofMark = std::memchr(buffer_.data() + end_, kEndOfFile, got)) {
      end_ = static_cast<std::size_t>(static_cast<const char*>(eofMark) - buffer_.data());
      eof_ = true;
    } else {
      end_ += got;
    }
  }
  if (end_ == 0) return false;
  std::size_t length = end_;
  if (!eof_) {
    const char* data = buffer_.data();
    const void* lastLf = ::memrchr(data, '\n', end_);
    if (lastLf) length = static_cast<std::size_t>(static_cast<const char*>(lastLf) - data) + 1;
  }
  block = std::string_view(buffer_.data(), length);
  begin_ = length;
  return true;
}

std::string_view WithoutCarriageReturns(std::string_view raw, std::string& scratch) {
  while (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);  // CR LF line ends
  if (raw.find('\r') == std::string_view::npos) return raw;
  scratch.clear();
  for (char c : raw)
    if (c != '\r') scratch.push_back(c);
  return scratch;
}

bool ContainsLoweredAscii(std::string_view text, std::string_view lowerKeyword) {
  if (lowerKeyword.empty()) return true;
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (std::size_t at = 0; at + lowerKeyword.size() <= text.size(); ++at) {
    std::size_t k = 0;
    while (k < lowerKeyword.size() && lower(text[at + k]) == lowerKeyword[k]) ++k;
    if (k == lowerKeyword.size()) return true;
  }
  return false;
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

BoundedLineRead ReadBoundedLine(std::istream& in, std::string& line, std::size_t maxLength) {
  line.clear();
  std::streambuf* buffer = in.rdbuf();
  if (!buffer) return BoundedLineRead::End;
  int c = buffer->sbumpc();
  if (c == std::char_traits<char>::eof()) return BoundedLineRead::End;
  for (; c != std::char_traits<char>::eof() && c != '\n'; c = buffer->sbumpc()) {
    if (c == '\r') continue;
    if (line.size() >= maxLength) return BoundedLineRead::TooLong;
    line.push_back(static_cast<char>(c));
  }
  return BoundedLineRead::Line;
}

std::string QuotedExcerpt(std::string_view text) {
  std::string shown;
  for (char c : text.substr(0, 40)) shown += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
  if (text.size() > 40) shown += "...";
  return '"' + shown + '"';
}

}  // namespace corvath::numerics
