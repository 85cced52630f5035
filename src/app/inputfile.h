#pragma once
// Opening a file the user named for reading, with the runtime's message when it
// cannot be opened ("File not found", "File access denied" ...).
#include <cstdint>
#include <fstream>
#include <string>

#include "app/outcome.h"

namespace corvath::app {

//! Opens path for reading in binary mode. Failed with the runtime's message and the
//! path when it is missing, unreadable or a folder.
Outcome OpenInputFile(const std::string& path, std::ifstream& in);

//! Largest settings, session or manifest file read whole (they are a few kilobytes).
inline constexpr std::uintmax_t kMaxSmallTextFileBytes = 64u << 20;

//! The whole of a small text file (settings, session, manifest), opened as
//! OpenInputFile opens it; a file (or device) that gives more than maxBytes is refused,
//! naming the file, once the bound is passed.
Result<std::string> ReadSmallTextFile(const std::string& path, std::uintmax_t maxBytes = kMaxSmallTextFileBytes);

}  // namespace corvath::app
