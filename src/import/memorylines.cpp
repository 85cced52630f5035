#include "import/memorylines.h"

#include <utility>

#include "numerics/textfile.h"

namespace corvath::import {

MemoryLineReader::MemoryLineReader(std::string_view text, std::string name) : rest_(text), name_(std::move(name)) {
  if (const auto end = rest_.find('\x1A'); end != std::string_view::npos) rest_ = rest_.substr(0, end);
}

bool MemoryLineReader::next(std::string_view& line) {
  if (rest_.empty()) return false;
  const auto lf = rest_.find('\n');
  const std::string_view raw = rest_.substr(0, lf);
  rest_ = lf == std::string_view::npos ? std::string_view() : rest_.substr(lf + 1);
  ++lineNumber_;
  if (raw.size() > numerics::kMaxLineBytes) throw numerics::LineTooLong(name_, lineNumber_);
  line = numerics::WithoutCarriageReturns(raw, line_);
  return true;
}

bool MemoryLineReader::nextBlock(std::string_view& block, std::size_t bytes) {
  if (rest_.empty()) return false;
  std::size_t length = rest_.size();
  if (length > bytes) {
    const auto lf = rest_.substr(0, bytes).rfind('\n');
    if (lf != std::string_view::npos) length = lf + 1;
  }
  block = rest_.substr(0, length);
  rest_.remove_prefix(length);
  return true;
}

}  // namespace corvath::import
