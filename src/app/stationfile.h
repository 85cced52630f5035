#pragma once
// station.json, what a survey's station leaves in its folder for the merge: the
// station's summary row (numbers as JSON numbers) and the size and SHA-256 of its
// input files.
//
//   {"corvath_station": 1, "station": "A", "index": 0,
//    "summary": {"station": "A", "status": "done", "f0_hz": 2.5, ..., "message": ""},
//    "files": [{"path": "/data/a.saf", "size": 1024, "sha256": "9f86..."}]}
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "app/outcome.h"
#include "app/stationsummary.h"

namespace corvath::app {

//! An input file of a station as station.json and survey.json record it.
struct SurveyFile {
  std::string path;
  std::optional<std::uintmax_t> size;  //!< none when it cannot be read
  std::string sha256;                  //!< lower-case hex; empty when it cannot be read

  bool operator==(const SurveyFile&) const = default;
};

//! What station.json holds.
struct StationFile {
  std::size_t index = 0;  //!< the station's row in the manifest, from 0
  StationSummary summary;
  std::vector<SurveyFile> files;

  bool operator==(const StationFile&) const = default;
};

//! The files as a JSON array of {"path", "size", "sha256"} (null for what is unknown).
nlohmann::ordered_json SurveyFilesJson(const std::vector<SurveyFile>& files);

//! station.json's text for the station.
std::string StationFileText(const StationFile& station);

//! station.json's text read back; Failed naming path and what is wrong (not JSON, not
//! a station file, a missing key, a value of the wrong kind) without reading further.
Result<StationFile> ParseStationFile(const std::string& text, const std::string& path);

}  // namespace corvath::app
