#pragma once
// Reading 8-bit text files line by line: a line ends at LF, a CR is never part
// of a line, the byte 0x1A ends the file. No code-page conversion.
#include <cstdint>
#include <cstdio>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace corvath::numerics {

//! A file that cannot be opened, read or written. what() is the runtime message
//! ("File not found", "File access denied", ...); path() names the file.
class FileError : public std::runtime_error {
public:
  FileError(const std::string& message, std::string path)
      : std::runtime_error(message), path_(std::move(path)) {}
  const std::string& path() const { return path_; }

  //! The runtime message for an errno value of a failed open.
  static FileError fromErrno(int err, const std::string& path);

private:
  std::string path_;
};

//! The longest line a text reader accepts, in bytes: far above any real record line,
//! it keeps a file without line ends (or a device) from filling the memory.
inline constexpr std::size_t kMaxLineBytes = std::size_t{1} << 20;

//! A FileError for a line longer than kMaxLineBytes, naming the file and the line (1-based).
FileError LineTooLong(const std::string& path, std::size_t lineNumber);

class Progress;

//! Buffered line reader over one file.
class TextLineReader {
public:
  //! Opens the file; throws FileError when it cannot be opened. The bytes read are
  //! counted on `progress` (when given), which may cancel the read.
  explicit TextLineReader(const std::string& path, Progress* progress = nullptr);
  ~TextLineReader();
  TextLineReader(const TextLineReader&) = delete;
  TextLineReader& operator=(const TextLineReader&) = delete;

  //! The next line without its LF and CRs; false at the end of the file.
  //! The view stays valid until the next call. Throws FileError on a read error
  //! and for a line longer than kMaxLineBytes.
  bool next(std::string_view& line);
  //! The next run of whole lines as they stand in the file (LF and CR bytes kept; the
  //! 0x1A rule applied), about `bytes` long: up to the last LF read, or everything left
  //! at the end of the file; false at the end. A run without a LF that does not end
  //! the file holds a line longer than kMaxLineBytes. For readers that split the lines
  //! themselves; lineNumber() does not count them.
  bool nextBlock(std::string_view& block, std::size_t bytes);
  //! Number of the line last returned (1-based).
  std::size_t lineNumber() const { return lineNumber_; }
  const std::string& path() const { return path_; }
  //! Bytes of the file not yet returned as lines; nothing when the size is unknown
  //! (not a regular file).
  std::optional<std::uint64_t> bytesLeft() const;

private:
  bool fill();

  std::FILE* file_ = nullptr;
  std::string path_;
  std::vector<char> buffer_;
  std::size_t begin_ = 0, end_ = 0;
  bool eof_ = false;
  std::string line_;
  std::size_t lineNumber_ = 0;
  Progress* progress_ = nullptr;
  std::optional<std::uint64_t> fileSize_;
  std::uint64_t bytesRead_ = 0;
};

//! The line without its CR bytes: raw itself (shortened) when its only CRs end it,
//! else a copy in scratch.
std::string_view WithoutCarriageReturns(std::string_view raw, std::string& scratch);

//! True when text contains the keyword (written in lower case) once the ASCII
//! letters A to Z of text are lowered; text is not copied.
bool ContainsLoweredAscii(std::string_view text, std::string_view lowerKeyword);

//! Lowers the ASCII letters A to Z in place; other bytes stay as they are.
void LowerAscii(std::string& text);

//! What ReadBoundedLine found.
enum class BoundedLineRead { Line, End, TooLong };

//! The next line of `in` without its LF and CRs, at most `maxLength` characters;
//! TooLong (the line read only in part) when it is longer, End when nothing is left.
BoundedLineRead ReadBoundedLine(std::istream& in, std::string& line, std::size_t maxLength);

//! Text shown in double quotes in a message: its first 40 characters, control bytes
//! as '?', "..." when it is longer (long or binary junk is not echoed whole).
std::string QuotedExcerpt(std::string_view text);

//! The whole file as bytes; throws FileError.
std::string ReadBinaryFile(const std::string& path);

}  // namespace corvath::numerics
