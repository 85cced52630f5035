#pragma once
// One station of a survey: its record read and its field-standard H/V computed into
// OUT/STATION (curve.hv, report.json), then its figure and station.json written on the
// thread that may draw.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/outcome.h"
#include "app/settingsfile.h"
#include "app/stationfile.h"
#include "app/stationsummary.h"
#include "app/surveymanifest.h"
#include "spectra/fieldstandard.h"

namespace corvath::app {

//! A station processed: its summary row and input files; its result until the figure is drawn.
struct StationRun {
  std::size_t index = 0;
  StationSummary summary;
  std::vector<SurveyFile> files;
  std::optional<spectra::FieldStandardResult> result;

  bool done() const { return summary.done(); }
};

//! Draws a station's figure (H/V with f0 ± sigma) to a PNG file: empty on success,
//! else why. title names the station.
using StationFigureWriter =
    std::function<std::string(const spectra::FieldStandardResult& result, const std::string& title,
                              const std::string& path)>;

//! The row of a station that failed: its name, its manifest coordinates and why.
StationSummary FailedStationSummary(const SurveyStation& station, const std::string& message);

//! Station index of the manifest: reads its record, computes its field-standard H/V
//! and writes OUT/STATION/curve.hv and report.json. A station that cannot be read or
//! gives no result is failed, its message saying why. Safe on any thread.
StationRun ComputeSurveyStation(const SurveyManifest& manifest, std::size_t index, const AnalysisSettings& settings,
                                const std::string& out);

//! The rest of a station, on the thread that may draw: its figure OUT/STATION/hv.png and
//! OUT/STATION/station.json. Drops the result. Notices of what could not be drawn go
//! to notices.
Outcome FinishSurveyStation(StationRun& run, const SurveyManifest& manifest, const std::string& out,
                            const StationFigureWriter& figure, std::vector<std::string>& notices);

}  // namespace corvath::app
