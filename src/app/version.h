#pragma once
// The program's version and the versions of the libraries it computes with, as
// "About" and `corvath-cli --version` tell them.
#include <string>
#include <utility>
#include <vector>

namespace corvath::app {

//! The program's version ("0.1.0").
std::string ProgramVersion();

//! (library, version) of the libraries linked into the core, in a fixed order.
std::vector<std::pair<std::string, std::string>> LibraryVersions();

}  // namespace corvath::app
