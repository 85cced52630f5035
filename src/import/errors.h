#pragma once
// Errors of the record readers. A file that cannot be opened or read throws
// numerics::FileError; a file whose content cannot be used throws FormatError.
// Messages about malformed content name the file, the place (offset or line) and
// the numbers that disagree; the floating-point faults keep the runtime's wording
// ("Floating point division by zero", "Floating point overflow").
#include <stdexcept>
#include <string>

#include "numerics/textfile.h"

namespace corvath::import {

class FormatError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
  FormatError(const std::string& message, std::string path)
      : std::runtime_error(message), path_(std::move(path)) {}
  //! The file the error is about (empty when not known).
  const std::string& path() const { return path_; }

private:
  std::string path_;
};

//! A FormatError for malformed content: "File \"<path>\": <detail>".
FormatError MalformedFile(const std::string& path, const std::string& detail);

}  // namespace corvath::import
