#pragma once
// Surveys: many stations processed with one settings file. A manifest
// (app/surveymanifest.h) names each station's record; every station gets a folder
// OUT/STATION with its curve (curve.hv), its JSON report, a figure and station.json
// (app/stationfile.h: its summary row and the size and SHA-256 of its files). The
// survey's summary.csv, summary.geojson, map.png and survey.json are assembled from the
// station folders (app/surveymerge.h), so that stations run as independent tasks (of a
// cluster's job array, app/surveybatchscript.h) give the same summary as a local run.
#include <cstddef>
#include <functional>
#include <string>

#include "app/outcome.h"
#include "app/settingsfile.h"
#include "app/stationsummary.h"
#include "app/surveybatchscript.h"
#include "app/surveyfolder.h"
#include "app/surveymanifest.h"
#include "app/surveymerge.h"
#include "app/surveyplan.h"
#include "app/surveystation.h"

namespace corvath::app {

//! How a survey runs.
struct SurveyOptions {
  std::size_t jobs = 0;  //!< stations at a time; 0: as many as the machine has cores
  StationFigureWriter figure;  //!< unset: no figure; called on the calling thread only
  SurveyMapWriter map;         //!< unset: no map
  //! Told on the calling thread after each station: stations finished, their number
  //! and the station (its summary saying whether it failed).
  std::function<void(std::size_t finished, std::size_t total, const StationRun& run)> progress;
};

//! Every station of the survey, options.jobs at a time (each holds only its own
//! record), then MergeSurvey. Failed only when the folder cannot be written.
Result<SurveyTotals> RunSurvey(const SurveyManifest& manifest, const AnalysisSettings& settings,
                               const std::string& out, const SurveyOptions& options);

}  // namespace corvath::app
