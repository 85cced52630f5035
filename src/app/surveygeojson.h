#pragma once
// summary.geojson: the survey's stations as a GeoJSON FeatureCollection, one Point
// feature per station (no geometry without coordinates) whose properties are the
// summary row (less the coordinates) and the manifest's further columns.
#include <string>
#include <vector>

#include "app/stationsummary.h"
#include "app/surveymanifest.h"

namespace corvath::app {

//! The collection's text for the manifest's stations and their rows, in the same order.
std::string SurveyGeoJson(const SurveyManifest& manifest, const std::vector<StationSummary>& rows);

}  // namespace corvath::app
