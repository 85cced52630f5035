#pragma once
// A command's text table: to standard output, or to a file through the atomic writer.
#include <string>

namespace corvath::cli {

//! Writes text to path (standard output when empty); the exit status: 0, or 1 with the
//! one-line report of the command when it cannot be written.
int WriteTable(const std::string& command, const std::string& text, const std::string& path);

}  // namespace corvath::cli
