#pragma once
// Errors of the record readers. A file that cannot be opened or read throws
// numerics::FileError; a file whose content cannot be used throws FormatError,
// whose message names the problem and the numbers that disagree.
#include <stdexcept>
#include <string>

#include "numerics/textfile.h"

namespace corvath::import {

class FormatError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

}  // namespace corvath::import
