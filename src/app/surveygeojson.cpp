#include "app/surveygeojson.h"

#include <nlohmann/json.hpp>

namespace corvath::app {

using json = nlohmann::ordered_json;

std::string SurveyGeoJson(const SurveyManifest& manifest, const std::vector<StationSummary>& rows) {
  json features = json::array();
  for (std::size_t i = 0; i < manifest.stations.size() && i < rows.size(); ++i) {
    const SurveyStation& station = manifest.stations[i];
    json properties = SummaryJson(rows[i]);
    properties.erase("longitude");  // they are the geometry
    properties.erase("latitude");
    for (std::size_t e = 0; e < manifest.extraColumns.size(); ++e) properties[manifest.extraColumns[e]] = station.extra[e];
    json geometry = nullptr;
    if (station.longitude && station.latitude)
      geometry = {{"type", "Point"}, {"coordinates", {*station.longitude, *station.latitude}}};
    features.push_back({{"type", "Feature"}, {"geometry", geometry}, {"properties", properties}});
  }
  const json collection = {{"type", "FeatureCollection"}, {"features", features}};
  return collection.dump(1, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace corvath::app
