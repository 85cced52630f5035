#pragma once
// Lines of 8-bit text already in memory, by the rules of numerics::TextLineReader:
// a line ends at LF, a CR is never part of a line, the byte 0x1A ends the text.
// The text readers run over either source.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvath::import {

class MemoryLineReader {
public:
  //! Reads from `text`, which must outlive the reader; `name` stands for the file
  //! name in messages.
  explicit MemoryLineReader(std::string_view text, std::string name = {});

  //! The next line without its LF and CRs; false at the end of the text. The view
  //! stays valid until the next call. Throws numerics::FileError for a line longer
  //! than numerics::kMaxLineBytes.
  bool next(std::string_view& line);
  //! The next run of whole lines, as numerics::TextLineReader::nextBlock gives them.
  bool nextBlock(std::string_view& block, std::size_t bytes);
  //! Number of the line last returned (1-based).
  std::size_t lineNumber() const { return lineNumber_; }
  //! Bytes of the text not yet returned as lines.
  std::optional<std::uint64_t> bytesLeft() const { return rest_.size(); }

private:
  std::string_view rest_;
  std::string name_;
  std::string line_;  // a line whose CRs had to be removed
  std::size_t lineNumber_ = 0;
};

}  // namespace corvath::import
