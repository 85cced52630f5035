// The small text files a user hands the program: a survey manifest, a settings file,
// a session. The first byte chooses the reader, the rest is the file. Whatever is
// accepted must be usable as it stands: station names that are safe folder names and
// unique, settings the computation accepts, and files that read back to themselves.
#include <cmath>
#include <cstdint>
#include <set>
#include <string>

#include "app/session.h"
#include "app/settingsfile.h"
#include "app/survey.h"

namespace {

using namespace corvath;

void Manifest(const std::string& text) {
  const app::Result<app::SurveyManifest> read = app::ParseSurveyManifest(text, "/survey/m.csv");
  if (!read.done()) {
    if (read.message().empty()) __builtin_trap();  // a refusal always says why
    return;
  }
  std::set<std::string> names;
  for (const app::SurveyStation& station : read->stations) {
    const std::string& name = station.name;
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
        name.find('\0') != std::string::npos)
      __builtin_trap();  // the name becomes a folder under the survey's
    if (!names.insert(name).second) __builtin_trap();
    if (station.extra.size() != read->extraColumns.size()) __builtin_trap();
    for (const auto& coordinate : {station.longitude, station.latitude})
      if (coordinate && !std::isfinite(*coordinate)) __builtin_trap();
    if (station.filesError.empty() && station.files.size() != 1 && station.files.size() != 3) __builtin_trap();
  }
}

void Settings(const std::string& text) {
  const app::Result<app::AnalysisSettings> read = app::ParseSettingsText(text, "s.json");
  if (!read.done()) {
    if (read.message().empty()) __builtin_trap();
    return;
  }
  if (!spectra::CheckFieldStandardSettings(read->fieldStandard).done()) __builtin_trap();
  const std::string written = app::SettingsText(*read);
  const app::Result<app::AnalysisSettings> again = app::ParseSettingsText(written, "s.json");
  if (!again.done() || app::SettingsText(*again) != written) __builtin_trap();
}

void Session(const std::string& text) {
  const app::Result<app::Session> read = app::ReadSession(text, "s.corvath");
  if (!read.done()) {
    if (read.message().empty()) __builtin_trap();
    return;
  }
  const std::string written = app::SessionJson(*read);
  const app::Result<app::Session> again = app::ReadSession(written, "s.corvath");
  if (!again.done() || app::SessionJson(*again) != written) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 3) {
    case 0: Manifest(text); break;
    case 1: Settings(text); break;
    default: Session(text); break;
  }
  return 0;
}
