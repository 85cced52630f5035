#include "app/surveymerge.h"

#include <filesystem>

#include <nlohmann/json.hpp>

#include "app/atomicfile.h"
#include "app/csvtext.h"
#include "app/inputfile.h"
#include "app/stationfile.h"
#include "app/surveygeojson.h"
#include "app/surveyplan.h"
#include "app/surveystation.h"
#include "app/version.h"

namespace corvath::app {

namespace {

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

// What the station's folder holds for the merge: its station.json read and checked
// against the manifest's row, or a failed row saying why it cannot be used.
StationFile ReadStation(const std::string& out, const SurveyStation& station, std::size_t index) {
  const fs::path path = StationFolder(out, station.name) / kStationFileName;
  auto failed = [&](const std::string& message) {
    StationFile file{index, FailedStationSummary(station, message), {}};
    for (const std::string& input : station.files) file.files.push_back({input, std::nullopt, {}});
    return file;
  };
  std::error_code error;
  if (!fs::exists(path, error))
    return failed("no result in " + path.parent_path().string() + " (the station's task did not finish)");
  Result<std::string> text = ReadSmallTextFile(path.string());
  if (!text.done()) return failed(text.message());
  Result<StationFile> read = ParseStationFile(*text, path.string());
  if (!read.done()) return failed(read.message());
  if (read->summary.station != station.name)
    return failed(path.string() + ": holds the station '" + read->summary.station + "', not '" + station.name + "'");
  return std::move(*read);
}

}  // namespace

Result<SurveyTotals> MergeSurvey(const std::string& out, const SurveyMapWriter& map) {
  Result<SurveyPlan> plan = ReadSurveyPlan(out);
  if (!plan.done()) return plan.outcome;
  const SurveyManifest& manifest = plan->manifest;

  std::vector<std::string> heading = SummaryHeadings();
  heading.insert(heading.end(), manifest.extraColumns.begin(), manifest.extraColumns.end());
  std::string summary = CsvLine(heading);
  std::vector<StationSummary> rows;
  json stations = json::array();
  std::vector<SurveyMapPoint> points;
  SurveyTotals totals;
  totals.stations = manifest.stations.size();

  for (std::size_t i = 0; i < manifest.stations.size(); ++i) {
    const SurveyStation& station = manifest.stations[i];
    const StationFile file = ReadStation(out, station, i);
    const StationSummary& row = file.summary;
    if (!row.done()) ++totals.failed;

    std::vector<std::string> cells = SummaryCells(row);
    cells.insert(cells.end(), station.extra.begin(), station.extra.end());
    summary += CsvLine(cells);
    if (station.longitude && station.latitude)
      points.push_back({station.name, *station.longitude, *station.latitude, row.done() ? row.f0Hz : std::nullopt});
    stations.push_back({{"station", station.name}, {"status", StationStatusName(row.status)},
                        {"files", SurveyFilesJson(file.files)}});
    rows.push_back(row);
  }

  if (Outcome saved = WriteFileAtomically((fs::path(out) / "summary.csv").string(), summary); !saved.done())
    return saved;
  if (Outcome saved = WriteFileAtomically((fs::path(out) / "summary.geojson").string(), SurveyGeoJson(manifest, rows));
      !saved.done())
    return saved;
  const json record = {{"corvath_survey", 1},
                       {"program", "corvath"},
                       {"version", ProgramVersion()},
                       {"manifest", manifest.path},
                       {"settings", json::parse(SettingsText(plan->settings))},
                       {"stations", stations}};
  if (Outcome saved = WriteFileAtomically((fs::path(out) / "survey.json").string(),
                                          record.dump(2, ' ', false, json::error_handler_t::replace) + "\n");
      !saved.done())
    return saved;
  if (map) {
    const std::string error = map(points, (fs::path(out) / "map.png").string());
    if (!error.empty()) totals.notices.push_back("no map: " + error);
  }
  return totals;
}

}  // namespace corvath::app
