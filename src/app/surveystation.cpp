#include "app/surveystation.h"

#include <filesystem>
#include <new>

#include "app/atomicfile.h"
#include "app/commands.h"
#include "app/fieldstandardhv.h"
#include "app/filesha256.h"
#include "app/surveyplan.h"

namespace corvath::app {

namespace fs = std::filesystem;

StationSummary FailedStationSummary(const SurveyStation& station, const std::string& message) {
  StationSummary summary;
  summary.station = station.name;
  summary.status = StationStatus::Failed;
  summary.longitude = station.longitude;
  summary.latitude = station.latitude;
  summary.message = message;
  return summary;
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
    StationRun run;
    run.index = index;
    run.summary = FailedStationSummary(station, message);
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
    if (Outcome created = CreateSurveyFolder(folder); !created.done()) return fail(created.message);
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
    StationRun run;
    run.index = index;
    run.summary = FailedStationSummary(station, loaded.message);
    run.summary.status = StationStatus::Done;
    run.summary.f0Hz = r.f0.median();
    run.summary.f0SigmaLn = r.f0.sigmaLn;
    run.summary.curveF0Hz = r.curvePeakHz;
    run.summary.a0 = r.a0.median();
    run.summary.reliable = r.sesame.reliable();
    run.summary.clear = r.sesame.clear();
    run.summary.windowsUsed = r.usedWindows();
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
  if (Outcome created = CreateSurveyFolder(folder); !created.done()) return created;
  if (!run.done()) {
    // What an earlier run of the station left must not pass for this run's result.
    std::error_code ignored;
    for (const char* stale : {"curve.hv", "curve.txt", "report.json", "hv.png"}) fs::remove(folder / stale, ignored);
  }
  if (run.result && figure) {
    const std::string error = figure(*run.result, station.name, (folder / "hv.png").string());
    if (!error.empty()) notices.push_back(station.name + ": no figure: " + error);
  }
  run.result.reset();
  return WriteFileAtomically((folder / kStationFileName).string(),
                             StationFileText(StationFile{run.index, run.summary, run.files}));
}

}  // namespace corvath::app
