#pragma once
// A survey folder's plan: OUT/settings.json (the settings every station is computed
// with) and OUT/plan.json (the manifest's path), which the station tasks and the merge
// read, and where each station's folder lies.
#include <filesystem>
#include <string>

#include "app/outcome.h"
#include "app/settingsfile.h"
#include "app/surveymanifest.h"

namespace corvath::app {

inline constexpr const char* kSurveySettingsFileName = "settings.json";
inline constexpr const char* kSurveyPlanFileName = "plan.json";
inline constexpr const char* kStationFileName = "station.json";

//! The manifest and the settings of a survey folder.
struct SurveyPlan {
  SurveyManifest manifest;
  AnalysisSettings settings;
};

//! OUT/STATION.
std::filesystem::path StationFolder(const std::string& out, const std::string& station);

//! Creates folder and its parents; Failed naming it when it cannot.
Outcome CreateSurveyFolder(const std::filesystem::path& folder);

//! Writes OUT/settings.json and OUT/plan.json, creating OUT.
Outcome PrepareSurveyFolder(const SurveyManifest& manifest, const AnalysisSettings& settings, const std::string& out);

//! The plan of OUT with its manifest read again; Failed when OUT is no survey folder
//! or the manifest or settings cannot be read.
Result<SurveyPlan> ReadSurveyPlan(const std::string& out);

}  // namespace corvath::app
