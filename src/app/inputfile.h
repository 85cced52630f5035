#pragma once
// Opening a file the user named for reading, with the runtime's message when it
// cannot be opened ("File not found", "File access denied" ...).
#include <fstream>
#include <string>

#include "app/outcome.h"

namespace corvath::app {

//! Opens path for reading in binary mode. Failed with the runtime's message and the
//! path when it is missing, unreadable or a folder.
Outcome OpenInputFile(const std::string& path, std::ifstream& in);

}  // namespace corvath::app
