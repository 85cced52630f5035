#include "app/stationfile.h"

#include <algorithm>

#include <nlohmann/json.hpp>

namespace corvath::app {

namespace {

using json = nlohmann::ordered_json;

constexpr const char* kFormatKey = "corvath_station";
constexpr int kFormat = 1;

bool IsSha256(const std::string& text) {
  return text.size() == 64 &&
         std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

Result<std::vector<SurveyFile>> FilesFromJson(const json& list) {
  if (!list.is_array()) return Outcome::Failed("files is not a list");
  std::vector<SurveyFile> files;
  for (std::size_t k = 0; k < list.size(); ++k) {
    const json& entry = list[k];
    const std::string where = "files[" + std::to_string(k) + "]";
    if (!entry.is_object() || entry.size() != 3 || !entry.contains("path") || !entry.contains("size") ||
        !entry.contains("sha256"))
      return Outcome::Failed(where + " is not {\"path\", \"size\", \"sha256\"}");
    const json& path = entry["path"];
    const json& size = entry["size"];
    const json& sha = entry["sha256"];
    if (!path.is_string()) return Outcome::Failed(where + ".path is not text");
    SurveyFile file{path.get<std::string>(), std::nullopt, {}};
    if (size.is_number_unsigned())
      file.size = size.get<std::uintmax_t>();
    else if (!size.is_null())
      return Outcome::Failed(where + ".size is not a whole number from 0 or null");
    if (sha.is_string() && IsSha256(sha.get<std::string>()))
      file.sha256 = sha.get<std::string>();
    else if (!sha.is_null())
      return Outcome::Failed(where + ".sha256 is not 64 lower-case hex digits or null");
    files.push_back(std::move(file));
  }
  return files;
}

}  // namespace

json SurveyFilesJson(const std::vector<SurveyFile>& files) {
  json list = json::array();
  for (const SurveyFile& f : files)
    list.push_back({{"path", f.path},
                    {"size", f.size ? json(*f.size) : json(nullptr)},
                    {"sha256", f.sha256.empty() ? json(nullptr) : json(f.sha256)}});
  return list;
}

std::string StationFileText(const StationFile& station) {
  const json document = {{kFormatKey, kFormat},
                         {"station", station.summary.station},
                         {"index", station.index},
                         {"summary", SummaryJson(station.summary)},
                         {"files", SurveyFilesJson(station.files)}};
  return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

Result<StationFile> ParseStationFile(const std::string& text, const std::string& path) {
  auto refuse = [&](const std::string& why) { return Outcome::Failed(path + ": " + why, path); };
  json document;
  try {
    document = json::parse(text);
  } catch (const json::exception& e) {
    std::string why = e.what();
    if (const std::size_t at = why.find("] "); at != std::string::npos) why = why.substr(at + 2);
    if (why.size() > 160) why = why.substr(0, 157) + "...";  // the message quotes the token read last
    return refuse("not JSON (" + why + ")");
  }
  if (!document.is_object() || !document.contains(kFormatKey))
    return refuse("not a station file (no \"" + std::string(kFormatKey) + "\" key)");
  if (document[kFormatKey] != kFormat)
    return refuse("a station file of format " + document[kFormatKey].dump() + ", this program reads format " +
                  std::to_string(kFormat));
  for (const char* key : {"station", "index", "summary", "files"})
    if (!document.contains(key)) return refuse(std::string(key) + " is missing");
  if (document.size() != 5) return refuse("holds keys other than station, index, summary and files");
  StationFile station;
  if (!document["index"].is_number_unsigned()) return refuse("index is not a whole number from 0");
  station.index = document["index"].get<std::size_t>();
  Result<StationSummary> summary = SummaryFromJson(document["summary"], "summary");
  if (!summary.done()) return refuse(summary.message());
  station.summary = std::move(*summary);
  if (document["station"] != station.summary.station)
    return refuse("station " + document["station"].dump() + " differs from summary.station");
  Result<std::vector<SurveyFile>> files = FilesFromJson(document["files"]);
  if (!files.done()) return refuse(files.message());
  station.files = std::move(*files);
  return station;
}

}  // namespace corvath::app
