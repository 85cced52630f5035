#include "app/surveyfolder.h"

#include <algorithm>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "app/csvtext.h"
#include "app/inputfile.h"
#include "app/surveyplan.h"

namespace corvath::app {

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

std::vector<std::string> SurveyFolder::cells(std::size_t r) const {
  std::vector<std::string> row = SummaryCells(stations[r]);
  row.insert(row.end(), extra[r].begin(), extra[r].end());
  return row;
}

Result<SurveyFolder> ReadSurveyFolder(const std::string& out) {
  SurveyFolder folder;
  folder.path = out;
  const std::string summaryPath = (fs::path(out) / "summary.csv").string();
  Result<std::string> summary = ReadSmallTextFile(summaryPath);
  if (!summary.done())
    return Outcome::Failed(out + " holds no survey summary (" + summary.message() + ")", summaryPath);
  Result<std::vector<CsvRow>> rows = ParseCsv(*summary, summaryPath);
  if (!rows.done()) return rows.outcome;
  const std::vector<std::string> headings = SummaryHeadings();
  if (rows->empty() || rows->front().cells.size() < kSummaryColumnCount ||
      !std::equal(headings.begin(), headings.end(), rows->front().cells.begin()))
    return Outcome::Failed(summaryPath + ": not a survey summary (its heading differs)", summaryPath);
  folder.columns = rows->front().cells;
  for (std::size_t r = 1; r < rows->size(); ++r) {
    const CsvRow& row = (*rows)[r];
    const std::string line = summaryPath + ": line " + std::to_string(row.line);
    if (row.cells.size() != folder.columns.size())
      return Outcome::Failed(line + " has the wrong number of cells", summaryPath);
    Result<StationSummary> station = SummaryFromCells(row.cells);
    if (!station.done()) return Outcome::Failed(line + ": " + station.message(), summaryPath);
    folder.stations.push_back(std::move(*station));
    folder.extra.emplace_back(row.cells.begin() + kSummaryColumnCount, row.cells.end());
  }
  Result<AnalysisSettings> settings = ReadSettingsFile((fs::path(out) / kSurveySettingsFileName).string());
  if (!settings.done()) return settings.outcome;
  folder.settings = *settings;

  const std::string recordPath = (fs::path(out) / "survey.json").string();
  Result<std::string> record = ReadSmallTextFile(recordPath);
  if (!record.done()) return record.outcome;
  folder.files.assign(folder.stations.size(), {});
  try {
    const json document = json::parse(*record);
    for (const json& station : document.at("stations")) {
      const std::string name = station.at("station").get<std::string>();
      for (std::size_t r = 0; r < folder.stations.size(); ++r)
        if (folder.stations[r].station == name)
          for (const json& file : station.at("files")) folder.files[r].push_back(file.at("path").get<std::string>());
    }
  } catch (const std::exception&) {
    return Outcome::Failed(recordPath + ": not a survey record", recordPath);
  }
  for (const StationSummary& row : folder.stations) {
    if (!row.longitude || !row.latitude) continue;
    folder.points.push_back({row.station, *row.longitude, *row.latitude, row.done() ? row.f0Hz : std::nullopt});
  }
  return folder;
}

}  // namespace corvath::app
