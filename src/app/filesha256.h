#pragma once
// The SHA-256 digest of a file, as a survey records its inputs.
#include <string>

#include "app/outcome.h"

namespace corvath::app {

//! The SHA-256 of the file at path as lower-case hex (read by blocks of 1 MiB), or
//! Failed naming the file.
Result<std::string> FileSha256(const std::string& path);

}  // namespace corvath::app
