#include "app/survey.h"

#include <openssl/evp.h>

#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "app/atomicfile.h"
#include "app/commands.h"
#include "app/fieldstandardhv.h"
#include "app/inputfile.h"
#include "app/version.h"
#include "numerics/numberfield.h"
#include "spectra/fieldstandardreport.h"

namespace corvath::app {

namespace {

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

constexpr const char* kSettingsFileName = "settings.json";
constexpr const char* kPlanFileName = "plan.json";
constexpr const char* kStationFileName = "station.json";

// ---- CSV --------------------------------------------------------------------------

struct CsvRow {
  std::size_t line = 0;  // where the row starts, from 1
  std::vector<std::string> cells;
};

// RFC 4180 rows: quoted cells may hold commas, doubled quotes and line ends; LF or
// CR LF ends a row; blank lines are skipped. Failed naming the line of an unclosed quote.
Result<std::vector<CsvRow>> ParseCsv(const std::string& text, const std::string& path) {
  std::vector<CsvRow> rows;
  std::size_t i = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
  std::size_t line = 1;
  while (i < text.size()) {
    CsvRow row;
    row.line = line;
    std::string cell;
    bool rowEnded = false;
    while (!rowEnded) {
      if (i < text.size() && text[i] == '"') {
        const std::size_t opened = line;
        ++i;
        for (;;) {
          if (i >= text.size())
            return Outcome::Failed(path + ": line " + std::to_string(opened) + ": a quote is not closed", path);
          if (text[i] == '"') {
            if (i + 1 < text.size() && text[i + 1] == '"') {
              cell += '"';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          if (text[i] == '\n') ++line;
          cell += text[i++];
        }
      }
      while (i < text.size() && text[i] != ',' && text[i] != '\n') {
        if (text[i] != '\r' || (i + 1 < text.size() && text[i + 1] != '\n')) cell += text[i];
        ++i;
      }
      row.cells.push_back(std::move(cell));
      cell.clear();
      if (i < text.size() && text[i] == ',') {
        ++i;
      } else {
        rowEnded = true;
        if (i < text.size()) ++i, ++line;  // the LF
      }
    }
    const bool blank = row.cells.size() == 1 && row.cells[0].find_first_not_of(" \t") == std::string::npos;
    if (!blank) rows.push_back(std::move(row));
  }
  return rows;
}

std::string Trimmed(const std::string& s) {
  const std::size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return {};
  return s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

std::string ReadText(const std::string& path, Outcome& outcome) {
  Result<std::string> text = ReadSmallTextFile(path);
  outcome = text.outcome;
  return text.done() ? std::move(*text) : std::string();
}

std::optional<double> ParsedNumber(const std::string& text) {
  double value = 0.0;
  const char* end = text.data() + text.size();
  const auto read = std::from_chars(text.data(), end, value);
  if (read.ec != std::errc() || read.ptr != end) return std::nullopt;
  return value;
}

fs::path StationFolder(const std::string& out, const std::string& station) { return fs::path(out) / station; }

Outcome CreateFolder(const fs::path& folder) {
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) return Outcome::Failed(folder.string() + ": cannot create the folder: " + error.message(), folder.string());
  return Outcome::Done();
}

// The settings file's object, for survey.json.
json SettingsObject(const AnalysisSettings& settings) { return json::parse(SettingsText(settings)); }

StationRun FailedRun(const SurveyManifest& manifest, std::size_t index, const std::string& message) {
  StationRun run;
  run.index = index;
  const SurveyStation& station = manifest.stations[index];
  run.cells.assign(kSummaryColumnCount, "");
  run.cells[0] = station.name;
  run.cells[1] = "failed";
  run.cells[9] = station.longitude ? spectra::ShortestNumber(*station.longitude) : "";
  run.cells[10] = station.latitude ? spectra::ShortestNumber(*station.latitude) : "";
  run.cells[11] = message;
  return run;
}

json FilesJson(const std::vector<SurveyFile>& files) {
  json list = json::array();
  for (const SurveyFile& f : files)
    list.push_back({{"path", f.path},
                    {"size", f.size ? json(*f.size) : json(nullptr)},
                    {"sha256", f.sha256.empty() ? json(nullptr) : json(f.sha256)}});
  return list;
}

struct Plan {
  SurveyManifest manifest;
  AnalysisSettings settings;
};

Result<Plan> ReadPlan(const std::string& out) {
  const std::string planPath = (fs::path(out) / kPlanFileName).string();
  Outcome read;
  const std::string text = ReadText(planPath, read);
  if (!read.done()) return Outcome::Failed(out + " is not a survey folder (" + read.message + ")", planPath);
  std::string manifestPath;
  try {
    manifestPath = json::parse(text).at("manifest").get<std::string>();
  } catch (const std::exception&) {
    return Outcome::Failed(planPath + ": not a survey plan", planPath);
  }
  Result<SurveyManifest> manifest = ReadSurveyManifest(manifestPath);
  if (!manifest.done()) return manifest.outcome;
  Result<AnalysisSettings> settings = ReadSettingsFile((fs::path(out) / kSettingsFileName).string());
  if (!settings.done()) return settings.outcome;
  return Plan{std::move(*manifest), std::move(*settings)};
}

std::string ShellQuoted(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

// ---- Manifest -------------------------------------------------------------------------

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
                                  "' is not a number from " + spectra::ShortestNumber(-limit) + " to " +
                                  spectra::ShortestNumber(limit);
    }
    for (std::size_t at : extraAt) station.extra.push_back(row.cells[at]);
    manifest.stations.push_back(std::move(station));
  }
  if (manifest.stations.empty()) return Outcome::Failed(path + ": the manifest lists no station", path);
  return manifest;
}

Result<SurveyManifest> ReadSurveyManifest(const std::string& path) {
  Outcome read;
  const std::string text = ReadText(path, read);
  if (!read.done()) return read;
  return ParseSurveyManifest(text, path);
}

// ---- Stations -----------------------------------------------------------------------

Result<std::string> FileSha256(const std::string& path) {
  std::ifstream in;
  if (Outcome opened = OpenInputFile(path, in); !opened.done()) return opened;
  std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
    return Outcome::Failed("the SHA-256 digest is not available", path);
  std::vector<char> buffer(1 << 20);
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    if (in.gcount() > 0) EVP_DigestUpdate(context.get(), buffer.data(), static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad()) return Outcome::Failed(path + ": cannot be read", path);
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_DigestFinal_ex(context.get(), digest, &length);
  static const char* hex = "0123456789abcdef";
  std::string text;
  for (unsigned int k = 0; k < length; ++k) {
    text += hex[digest[k] >> 4];
    text += hex[digest[k] & 15];
  }
  return text;
}

StationRun ComputeSurveyStation(const SurveyManifest& manifest, std::size_t index, const AnalysisSettings& settings,
                                const std::string& out) {
  const SurveyStation& station = manifest.stations[index];
  std::vector<SurveyFile> files;
  for (const std::string& path : station.files) {
    SurveyFile file{path, std::nullopt, {}};
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    if (!error) file.size = size;
    if (const Result<std::string> sha = FileSha256(path); sha.done()) file.sha256 = *sha;
    files.push_back(std::move(file));
  }
  auto fail = [&](const std::string& message) {
    StationRun run = FailedRun(manifest, index, message);
    run.files = files;
    return run;
  };
  if (!station.filesError.empty()) return fail(station.filesError);
  if (!station.coordinateError.empty()) return fail(station.coordinateError);
  try {
    Workspace workspace;
    LoadRequest request;
    const Result<import::RecordFormat> format = FormatOfFiles(station.files);
    if (!format.done()) return fail(format.message());
    request.format = *format;
    request.paths = station.files;
    request.workers = 1;  // the stations themselves run side by side
    Outcome loaded = LoadRecord(workspace, request);
    if (!loaded.done()) {
      std::string message = loaded.message.empty() ? "nothing to load" : loaded.message;
      if (!loaded.path.empty() && message.find(loaded.path) == std::string::npos)
        message = loaded.path + ": " + message;
      return fail(message);
    }
    const Outcome computed = CalculateFieldStandardHv(workspace, settings.fieldStandard);
    if (!computed.done()) return fail("no result: " + computed.message);

    const fs::path folder = StationFolder(out, station.name);
    if (Outcome created = CreateFolder(folder); !created.done()) return fail(created.message);
    // The curve in the peer tools' layout, the station's position in its header.
    const spectra::HvPosition position{station.longitude.value_or(0.0), station.latitude.value_or(0.0), 0.0};
    if (Outcome saved = SaveFieldStandardHvFile(workspace, (folder / "curve.hv").string(), position); !saved.done())
      return fail(saved.message);
    if (Outcome saved = WriteFileAtomically((folder / "report.json").string(),
                                            [&](std::ostream& stream) {
                                              return WriteFieldStandardReport(workspace, stream, true).done() &&
                                                     static_cast<bool>(stream);
                                            });
        !saved.done())
      return fail(saved.message);

    const spectra::FieldStandardResult& r = *workspace.fieldStandardResult;
    StationRun run = FailedRun(manifest, index, loaded.message);
    run.done = true;
    run.cells[1] = "done";
    run.cells[2] = spectra::ShortestNumber(r.f0.median());
    run.cells[3] = spectra::ShortestNumber(r.f0.sigmaLn);
    run.cells[4] = spectra::ShortestNumber(r.curvePeakHz);
    run.cells[5] = spectra::ShortestNumber(r.a0.median());
    run.cells[6] = r.sesame.reliable() ? "true" : "false";
    run.cells[7] = r.sesame.clear() ? "true" : "false";
    run.cells[8] = std::to_string(r.usedWindows());
    run.files = std::move(files);
    run.result = std::move(workspace.fieldStandardResult);
    return run;
  } catch (const std::bad_alloc&) {
    return fail("not enough memory for this station");
  } catch (const std::exception& e) {
    return fail(e.what());
  }
}

Outcome FinishSurveyStation(StationRun& run, const SurveyManifest& manifest, const std::string& out,
                            const StationFigureWriter& figure, std::vector<std::string>& notices) {
  const SurveyStation& station = manifest.stations[run.index];
  const fs::path folder = StationFolder(out, station.name);
  if (Outcome created = CreateFolder(folder); !created.done()) return created;
  if (!run.done) {
    // What an earlier run of the station left must not pass for this run's result.
    std::error_code ignored;
    for (const char* stale : {"curve.hv", "curve.txt", "report.json", "hv.png"}) fs::remove(folder / stale, ignored);
  }
  if (run.result && figure) {
    const std::string error = figure(*run.result, station.name, (folder / "hv.png").string());
    if (!error.empty()) notices.push_back(station.name + ": no figure: " + error);
  }
  run.result.reset();
  json document = {{"station", station.name},
                   {"index", run.index},
                   {"summary", run.cells},
                   {"files", FilesJson(run.files)}};
  return WriteFileAtomically((folder / kStationFileName).string(), document.dump(2) + "\n");
}

Outcome PrepareSurveyFolder(const SurveyManifest& manifest, const AnalysisSettings& settings, const std::string& out) {
  if (Outcome created = CreateFolder(out); !created.done()) return created;
  if (Outcome saved = SaveSettingsFile((fs::path(out) / kSettingsFileName).string(), settings); !saved.done())
    return saved;
  const json plan = {{"manifest", manifest.path}};
  return WriteFileAtomically((fs::path(out) / kPlanFileName).string(), plan.dump(2) + "\n");
}

Result<SurveyTotals> RunSurvey(const SurveyManifest& manifest, const AnalysisSettings& settings,
                               const std::string& out, const SurveyOptions& options) {
  if (Outcome prepared = PrepareSurveyFolder(manifest, settings, out); !prepared.done()) return prepared;
  const std::size_t total = manifest.stations.size();
  std::size_t jobs = options.jobs ? options.jobs : std::max(1u, std::thread::hardware_concurrency());
  jobs = std::min(jobs, total);

  // Workers compute stations; this thread draws their figures and writes station.json,
  // one station at a time, so that the drawing stays on one thread.
  std::mutex mutex;
  std::condition_variable ready;
  std::deque<StationRun> finished;
  std::size_t next = 0;
  auto work = [&] {
    for (;;) {
      std::size_t index;
      {
        std::lock_guard lock(mutex);
        if (next >= total) return;
        index = next++;
      }
      StationRun run = ComputeSurveyStation(manifest, index, settings, out);
      std::lock_guard lock(mutex);
      finished.push_back(std::move(run));
      ready.notify_one();
    }
  };
  std::vector<std::thread> workers;
  for (std::size_t k = 0; k < jobs; ++k) workers.emplace_back(work);

  SurveyTotals totals;
  Outcome failure = Outcome::Done();
  for (std::size_t count = 0; count < total; ++count) {
    StationRun run;
    {
      std::unique_lock lock(mutex);
      ready.wait(lock, [&] { return !finished.empty(); });
      run = std::move(finished.front());
      finished.pop_front();
    }
    if (Outcome written = FinishSurveyStation(run, manifest, out, options.figure, totals.notices);
        !written.done() && failure.done())
      failure = written;
    if (options.progress) options.progress(count + 1, total, run);
  }
  for (std::thread& worker : workers) worker.join();
  if (!failure.done()) return failure;
  Result<SurveyTotals> merged = MergeSurvey(out, options.map);
  if (merged.done()) merged->notices.insert(merged->notices.begin(), totals.notices.begin(), totals.notices.end());
  return merged;
}

// ---- Merge ----------------------------------------------------------------------------

std::string CsvLine(const std::vector<std::string>& cells) {
  std::string line;
  for (std::size_t c = 0; c < cells.size(); ++c) {
    if (c) line += ',';
    const std::string& cell = cells[c];
    if (cell.find_first_of(",\"\r\n") == std::string::npos) {
      line += cell;
      continue;
    }
    line += '"';
    for (char ch : cell) line += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    line += '"';
  }
  return line + "\r\n";
}

Result<SurveyTotals> MergeSurvey(const std::string& out, const SurveyMapWriter& map) {
  Result<Plan> plan = ReadPlan(out);
  if (!plan.done()) return plan.outcome;
  const SurveyManifest& manifest = plan->manifest;

  std::vector<std::string> heading(std::begin(kSummaryColumns), std::end(kSummaryColumns));
  heading.insert(heading.end(), manifest.extraColumns.begin(), manifest.extraColumns.end());
  std::string summary = CsvLine(heading);
  json features = json::array();
  json stations = json::array();
  std::vector<SurveyMapPoint> points;
  SurveyTotals totals;
  totals.stations = manifest.stations.size();

  for (std::size_t i = 0; i < manifest.stations.size(); ++i) {
    const SurveyStation& station = manifest.stations[i];
    const fs::path stationFile = StationFolder(out, station.name) / kStationFileName;
    std::vector<std::string> cells;
    json files;
    Outcome read;
    const std::string text = ReadText(stationFile.string(), read);
    try {
      if (read.done()) {
        const json document = json::parse(text);
        cells = document.at("summary").get<std::vector<std::string>>();
        files = document.at("files");
        if (cells.size() != kSummaryColumnCount || cells[0] != station.name) cells.clear();
      }
    } catch (const std::exception&) {
      cells.clear();
    }
    if (cells.empty()) {
      StationRun missing = FailedRun(manifest, i, "no result in " + stationFile.parent_path().string() +
                                                      " (the station's task did not finish)");
      cells = missing.cells;
      files = json::array();
      for (const std::string& path : station.files) files.push_back({{"path", path}, {"size", nullptr}, {"sha256", nullptr}});
    }
    const bool done = cells[1] == "done";
    if (!done) ++totals.failed;

    std::vector<std::string> row = cells;
    row.insert(row.end(), station.extra.begin(), station.extra.end());
    summary += CsvLine(row);

    json properties = json::object();
    for (std::size_t c = 0; c < kSummaryColumnCount; ++c) {
      const std::string& cell = cells[c];
      const std::string key = kSummaryColumns[c];
      if (key == "longitude" || key == "latitude") continue;
      if (key == "station" || key == "status" || key == "message")
        properties[key] = cell;
      else if (cell.empty())
        properties[key] = nullptr;
      else if (key == "reliable" || key == "clear")
        properties[key] = cell == "true";
      else if (key == "windows_used")
        properties[key] = std::stoll(cell);
      else
        properties[key] = ParsedNumber(cell).value_or(0.0);
    }
    for (std::size_t e = 0; e < manifest.extraColumns.size(); ++e) properties[manifest.extraColumns[e]] = station.extra[e];
    json geometry = nullptr;
    if (station.longitude && station.latitude) {
      geometry = {{"type", "Point"}, {"coordinates", {*station.longitude, *station.latitude}}};
      SurveyMapPoint point{station.name, *station.longitude, *station.latitude, std::nullopt};
      if (done) point.f0Hz = ParsedNumber(cells[2]);
      points.push_back(point);
    }
    features.push_back({{"type", "Feature"}, {"geometry", geometry}, {"properties", properties}});
    stations.push_back({{"station", station.name}, {"status", cells[1]}, {"files", files}});
  }

  if (Outcome saved = WriteFileAtomically((fs::path(out) / "summary.csv").string(), summary); !saved.done())
    return saved;
  const json collection = {{"type", "FeatureCollection"}, {"features", features}};
  if (Outcome saved = WriteFileAtomically((fs::path(out) / "summary.geojson").string(), collection.dump(1) + "\n");
      !saved.done())
    return saved;
  const json record = {{"corvath_survey", 1},
                       {"program", "corvath"},
                       {"version", ProgramVersion()},
                       {"manifest", manifest.path},
                       {"settings", SettingsObject(plan->settings)},
                       {"stations", stations}};
  if (Outcome saved = WriteFileAtomically((fs::path(out) / "survey.json").string(), record.dump(2) + "\n");
      !saved.done())
    return saved;
  if (map) {
    const std::string error = map(points, (fs::path(out) / "map.png").string());
    if (!error.empty()) totals.notices.push_back("no map: " + error);
  }
  return totals;
}

Outcome WriteSurveyBatchScript(const SurveyManifest& manifest, const AnalysisSettings& settings,
                               const std::string& out, const std::string& executable) {
  std::error_code error;
  const std::string folder = fs::absolute(out, error).lexically_normal().string();
  if (Outcome prepared = PrepareSurveyFolder(manifest, settings, folder); !prepared.done()) return prepared;
  const std::string settingsPath = (fs::path(folder) / kSettingsFileName).string();
  std::string script = "#!/bin/bash\n";
  script += "# One task per station of " + manifest.path + "; then: corvath-cli survey --merge " + folder + "\n";
  script += "#SBATCH --job-name=corvath-survey\n";
  script += "#SBATCH --array=0-" + std::to_string(manifest.stations.size() - 1) + "\n";
  script += "#SBATCH --ntasks=1\n";
  script += "#SBATCH --cpus-per-task=1\n";
  script += "#SBATCH --output=" + (fs::path(folder) / "slurm-%A_%a.out").string() + "\n";
  script += "exec " + ShellQuoted(executable) + " survey " + ShellQuoted(manifest.path) + " --out " +
            ShellQuoted(folder) + " --settings " + ShellQuoted(settingsPath) +
            " --jobs 1 --station \"$SLURM_ARRAY_TASK_ID\"\n";
  const std::string path = (fs::path(folder) / "survey.sbatch").string();
  if (Outcome saved = WriteFileAtomically(path, script); !saved.done()) return saved;
  fs::permissions(path, fs::perms::owner_exec | fs::perms::group_exec, fs::perm_options::add, error);
  return Outcome::Done();
}

// ---- Reading a survey folder ----------------------------------------------------------

Result<SurveyFolder> ReadSurveyFolder(const std::string& out) {
  SurveyFolder folder;
  folder.path = out;
  const std::string summaryPath = (fs::path(out) / "summary.csv").string();
  Outcome read;
  const std::string summary = ReadText(summaryPath, read);
  if (!read.done()) return Outcome::Failed(out + " holds no survey summary (" + read.message + ")", summaryPath);
  Result<std::vector<CsvRow>> rows = ParseCsv(summary, summaryPath);
  if (!rows.done()) return rows.outcome;
  if (rows->empty() || rows->front().cells.size() < kSummaryColumnCount ||
      !std::equal(std::begin(kSummaryColumns), std::end(kSummaryColumns), rows->front().cells.begin()))
    return Outcome::Failed(summaryPath + ": not a survey summary (its heading differs)", summaryPath);
  folder.columns = rows->front().cells;
  for (std::size_t r = 1; r < rows->size(); ++r) {
    if ((*rows)[r].cells.size() != folder.columns.size())
      return Outcome::Failed(summaryPath + ": line " + std::to_string((*rows)[r].line) + " has the wrong number of cells",
                             summaryPath);
    folder.rows.push_back((*rows)[r].cells);
  }
  Result<AnalysisSettings> settings = ReadSettingsFile((fs::path(out) / kSettingsFileName).string());
  if (!settings.done()) return settings.outcome;
  folder.settings = *settings;

  const std::string recordPath = (fs::path(out) / "survey.json").string();
  const std::string record = ReadText(recordPath, read);
  if (!read.done()) return read;
  folder.files.assign(folder.rows.size(), {});
  try {
    const json document = json::parse(record);
    for (const json& station : document.at("stations")) {
      const std::string name = station.at("station").get<std::string>();
      for (std::size_t r = 0; r < folder.rows.size(); ++r)
        if (folder.rows[r][0] == name)
          for (const json& file : station.at("files")) folder.files[r].push_back(file.at("path").get<std::string>());
    }
  } catch (const std::exception&) {
    return Outcome::Failed(recordPath + ": not a survey record", recordPath);
  }
  for (const auto& row : folder.rows) {
    const auto longitude = ParsedNumber(row[9]), latitude = ParsedNumber(row[10]);
    if (!longitude || !latitude) continue;
    SurveyMapPoint point{row[0], *longitude, *latitude, std::nullopt};
    if (row[1] == "done") point.f0Hz = ParsedNumber(row[2]);
    folder.points.push_back(point);
  }
  return folder;
}

}  // namespace corvath::app
