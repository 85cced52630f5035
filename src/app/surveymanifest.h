#pragma once
// A survey's manifest: CSV with the heading station,files,longitude,latitude and any
// further columns, one row per station naming its record.
#include <optional>
#include <string>
#include <vector>

#include "app/outcome.h"

namespace corvath::app {

//! One row of the manifest.
struct SurveyStation {
  std::string name;                //!< also the name of its folder
  std::vector<std::string> files;  //!< one record file or three component files, relative ones resolved
  std::optional<double> longitude;  //!< none when the cell is not a number
  std::optional<double> latitude;
  std::string coordinateError;      //!< why a coordinate is missing, empty when both are numbers
  std::string filesError;           //!< why the files cell cannot be used, empty when it can
  std::vector<std::string> extra;   //!< the further columns' cells
};

struct SurveyManifest {
  std::string path;                       //!< absolute
  std::vector<std::string> extraColumns;  //!< headings of the further columns, in order
  std::vector<SurveyStation> stations;    //!< in manifest order
};

//! The manifest in text (path names it and is the folder relative files start from).
//! Failed naming the line for a missing heading column, a row of the wrong length, an
//! unclosed quote, an empty, repeated or unusable station name. A bad files or
//! coordinate cell only fails its station later.
Result<SurveyManifest> ParseSurveyManifest(const std::string& text, const std::string& path);

//! The manifest file at path.
Result<SurveyManifest> ReadSurveyManifest(const std::string& path);

}  // namespace corvath::app
