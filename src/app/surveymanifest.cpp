#include "app/surveymanifest.h"

#include <algorithm>
#include <filesystem>

#include "app/csvtext.h"
#include "app/inputfile.h"
#include "numerics/numberfield.h"
#include "numerics/numbertext.h"

namespace corvath::app {

namespace {

namespace fs = std::filesystem;

std::string Trimmed(const std::string& s) {
  const std::size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return {};
  return s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

}  // namespace

Result<SurveyManifest> ParseSurveyManifest(const std::string& text, const std::string& path) {
  Result<std::vector<CsvRow>> rows = ParseCsv(text, path);
  if (!rows.done()) return rows.outcome;
  auto refuse = [&](std::size_t line, const std::string& why) {
    return Outcome::Failed(path + ": line " + std::to_string(line) + ": " + why, path);
  };
  if (rows->empty()) return Outcome::Failed(path + ": the manifest is empty (it needs the heading "
                                            "station,files,longitude,latitude)", path);
  const CsvRow& heading = rows->front();
  const char* required[] = {"station", "files", "longitude", "latitude"};
  std::size_t column[4];
  SurveyManifest manifest;
  std::error_code error;
  manifest.path = fs::absolute(path, error).lexically_normal().string();
  std::vector<std::size_t> extraAt;
  for (std::size_t r = 0; r < 4; ++r) {
    const auto found = std::find_if(heading.cells.begin(), heading.cells.end(),
                                    [&](const std::string& c) { return Trimmed(c) == required[r]; });
    if (found == heading.cells.end()) return refuse(heading.line, std::string("the heading has no '") + required[r] + "' column");
    column[r] = static_cast<std::size_t>(found - heading.cells.begin());
  }
  for (std::size_t c = 0; c < heading.cells.size(); ++c)
    if (std::find(std::begin(column), std::end(column), c) == std::end(column)) {
      extraAt.push_back(c);
      manifest.extraColumns.push_back(Trimmed(heading.cells[c]));
    }
  const fs::path folder = fs::path(manifest.path).parent_path();
  for (std::size_t r = 1; r < rows->size(); ++r) {
    const CsvRow& row = (*rows)[r];
    if (row.cells.size() != heading.cells.size())
      return refuse(row.line, "has " + std::to_string(row.cells.size()) + " cells, the heading " +
                                  std::to_string(heading.cells.size()));
    SurveyStation station;
    station.name = Trimmed(row.cells[column[0]]);
    if (station.name.empty()) return refuse(row.line, "the station has no name");
    if (station.name == "." || station.name == ".." ||
        station.name.find_first_of("/\\") != std::string::npos ||
        std::any_of(station.name.begin(), station.name.end(), [](char c) { return static_cast<unsigned char>(c) < 32; }))
      return refuse(row.line, "the station name '" + station.name + "' cannot name a folder");
    for (const SurveyStation& other : manifest.stations)
      if (other.name == station.name) return refuse(row.line, "the station '" + station.name + "' is listed twice");

    std::string files = row.cells[column[1]];
    for (std::size_t start = 0;;) {
      const std::size_t semicolon = files.find(';', start);
      const std::string name = Trimmed(files.substr(start, semicolon - start));
      if (!name.empty()) {
        const fs::path file(name);
        station.files.push_back((file.is_absolute() ? file : folder / file).lexically_normal().string());
      }
      if (semicolon == std::string::npos) break;
      start = semicolon + 1;
    }
    if (station.files.size() != 1 && station.files.size() != 3)
      station.filesError = "'files' must name one record file or three component files separated by ';', got '" +
                           Trimmed(files) + "'";

    const std::pair<std::size_t, std::optional<double>*> coordinates[] = {{column[2], &station.longitude},
                                                                          {column[3], &station.latitude}};
    for (const auto& [at, target] : coordinates) {
      const std::string cell = Trimmed(row.cells[at]);
      const numerics::Result<double> value = numerics::NumberField(required[at == column[2] ? 2 : 3], cell);
      const double limit = at == column[2] ? 180.0 : 90.0;
      if (value.done() && *value >= -limit && *value <= limit)
        *target = *value;
      else if (station.coordinateError.empty())
        station.coordinateError = std::string(required[at == column[2] ? 2 : 3]) + " '" + cell +
                                  "' is not a number from " + numerics::NumberToShortestText(-limit) + " to " +
                                  numerics::NumberToShortestText(limit);
    }
    for (std::size_t at : extraAt) station.extra.push_back(row.cells[at]);
    manifest.stations.push_back(std::move(station));
  }
  if (manifest.stations.empty()) return Outcome::Failed(path + ": the manifest lists no station", path);
  return manifest;
}

Result<SurveyManifest> ReadSurveyManifest(const std::string& path) {
  Result<std::string> text = ReadSmallTextFile(path);
  if (!text.done()) return text.outcome;
  return ParseSurveyManifest(*text, path);
}

}  // namespace corvath::app
