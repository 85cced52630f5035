#pragma once
// The merge: summary.csv, summary.geojson, map.png and survey.json assembled from the
// station folders of a survey, so that stations run as independent tasks (of a
// cluster's job array) give the same summary as a local run.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/outcome.h"

namespace corvath::app {

//! A station on the map.
struct SurveyMapPoint {
  std::string station;
  double longitude = 0.0;
  double latitude = 0.0;
  std::optional<double> f0Hz;  //!< none for a failed station
};

//! Draws the map of the stations to a PNG file: empty on success, else why.
using SurveyMapWriter = std::function<std::string(const std::vector<SurveyMapPoint>& points, const std::string& path)>;

//! What a finished survey counts.
struct SurveyTotals {
  std::size_t stations = 0;
  std::size_t failed = 0;
  std::vector<std::string> notices;  //!< what could not be drawn, and the like
};

//! summary.csv, summary.geojson, map.png and survey.json from the station folders of
//! OUT. A station whose station.json is missing (its task left no result), cannot be
//! read or is malformed is failed, its row saying why; the others are merged all the
//! same. Failed when OUT holds no plan or a file cannot be written.
Result<SurveyTotals> MergeSurvey(const std::string& out, const SurveyMapWriter& map);

}  // namespace corvath::app
