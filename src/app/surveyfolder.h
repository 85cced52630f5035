#pragma once
// A finished survey folder as the window shows it: summary.csv read back row by row,
// each station's record files from survey.json and the survey's settings.
#include <string>
#include <vector>

#include "app/outcome.h"
#include "app/settingsfile.h"
#include "app/stationsummary.h"
#include "app/surveymerge.h"

namespace corvath::app {

struct SurveyFolder {
  std::string path;
  std::vector<std::string> columns;                     //!< summary.csv's heading
  std::vector<StationSummary> stations;                 //!< its rows, in summary order
  std::vector<std::vector<std::string>> extra;          //!< each row's cells of the further columns
  std::vector<std::vector<std::string>> files;          //!< each row's record files (from survey.json)
  std::vector<SurveyMapPoint> points;                   //!< stations with coordinates
  AnalysisSettings settings;

  //! Row r's cells as summary.csv holds them (the summary's, then the further ones).
  std::vector<std::string> cells(std::size_t r) const;
};

//! Reads OUT/summary.csv, OUT/survey.json and OUT/settings.json; Failed naming the file
//! (and the line of a summary row that does not read).
Result<SurveyFolder> ReadSurveyFolder(const std::string& out);

}  // namespace corvath::app
