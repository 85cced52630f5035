// corvath-cli survey: many stations from a manifest with one settings file, each
// into its own folder, then the summary table, its GeoJSON, a map and the record of
// inputs; or the job-array script that runs the stations on a Slurm cluster, and the
// merge of their folders.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/settingsfile.h"
#include "app/survey.h"
#include "cli/commands.h"
#include "cli/options.h"

#ifdef CORVATH_CLI_CHARTS
#include "charts/surveyplots.h"
#endif

namespace corvath::cli {

namespace {

constexpr const char* kUsage =
    "usage: corvath-cli survey MANIFEST.csv --out DIR [--settings FILE] [--jobs N]\n"
    "       corvath-cli survey MANIFEST.csv --out DIR [--settings FILE] --slurm\n"
    "       corvath-cli survey --merge DIR\n"
    "  MANIFEST.csv             heading station,files,longitude,latitude (further columns are kept); files is one\n"
    "                           record file or three component files separated by ';', relative to the manifest\n"
    "  --out DIR                DIR/STATION/ per station (curve.hv, report.json, hv.png, station.json), then\n"
    "                           DIR/summary.csv, summary.geojson, map.png and survey.json\n"
    "  --settings FILE          the settings file every station is computed with (default: the defaults)\n"
    "  --jobs N                 stations at a time (default: the number of cores)\n"
    "  --slurm                  compute nothing: write DIR/survey.sbatch, a job array of one task per station\n"
    "  --station I              compute station I only (from 0, in manifest order), as a task of the job array\n"
    "  --merge DIR              build the summary, GeoJSON, map and survey.json from DIR's station folders\n"
    "exit status: 0 every station done, 1 any failed, 2 usage error\n";

struct Options {
  std::string manifest;
  std::string out;
  std::string settings;
  std::string merge;
  std::size_t jobs = 0;
  bool slurm = false;
  long station = -1;
  bool help = false;
};

int usageError(const std::string& message) { return ReportUsageError("survey", kUsage, message); }

void parseOptions(const std::vector<std::string>& args, Options& options) {
  for (OptionScanner arg(args); !arg.done(); arg.next()) {
    const std::string& name = arg.name();
    if (name == "-h" || name == "--help") {
      options.help = true;
    } else if (name == "--out") {
      options.out = arg.file();
    } else if (name == "--settings") {
      options.settings = arg.file();
    } else if (name == "--merge") {
      options.merge = arg.file();
    } else if (name == "--slurm") {
      arg.flag();
      options.slurm = true;
    } else if (name == "--jobs") {
      options.jobs = static_cast<std::size_t>(arg.whole(1, 1'000'000));
    } else if (name == "--station") {
      options.station = static_cast<long>(arg.whole(0, 1'000'000));
    } else if (arg.isOption()) {
      arg.unknown();
    } else if (options.manifest.empty()) {
      options.manifest = name;
    } else {
      throw UsageError("give one manifest, not '" + options.manifest + "' and '" + name + "'");
    }
  }
  if (options.help) return;
  if (!options.merge.empty()) {
    if (!options.manifest.empty() || !options.out.empty() || !options.settings.empty() || options.slurm ||
        options.station >= 0)
      throw UsageError("--merge DIR takes nothing else");
    return;
  }
  if (options.manifest.empty()) throw UsageError("give the manifest (a CSV file)");
  if (options.out.empty()) throw UsageError("give the output folder with --out DIR");
  if (options.slurm && options.station >= 0) throw UsageError("give either --slurm or --station, not both");
}

std::string executablePath() {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string("corvath-cli") : self.string();
}

int finish(const app::Result<app::SurveyTotals>& totals) {
  if (!totals.done()) return ReportFailure("survey", totals.message());
  for (const std::string& notice : totals->notices) std::fprintf(stderr, "corvath-cli survey: %s\n", notice.c_str());
  if (totals->failed == 0) return 0;
  std::fprintf(stderr, "corvath-cli survey: %zu of %zu stations failed (see summary.csv)\n", totals->failed,
               totals->stations);
  return 1;
}

}  // namespace

int RunSurvey(const std::vector<std::string>& args) {
  Options options;
  if (const std::optional<int> status = ParseCommandLine("survey", kUsage, args, options, parseOptions)) return *status;

  app::StationFigureWriter figure;
  app::SurveyMapWriter map;
  std::shared_ptr<void> drawing;
#ifdef CORVATH_CLI_CHARTS
  if (!options.slurm) {
    drawing = charts::StartOffscreenDrawing();
    figure = [](const spectra::FieldStandardResult& result, const std::string& title, const std::string& path) {
      return charts::WriteStationFigure(result, title, path);
    };
    map = [](const std::vector<app::SurveyMapPoint>& points, const std::string& path) {
      return charts::WriteSurveyMap(points, path);
    };
  }
#endif

  if (!options.merge.empty()) return finish(app::MergeSurvey(options.merge, map));

  app::AnalysisSettings settings;
  if (!options.settings.empty()) {
    const app::Result<app::AnalysisSettings> read = app::ReadSettingsFile(options.settings);
    if (!read.done()) return usageError(read.message());
    settings = *read;
  }
  const app::Result<app::SurveyManifest> manifest = app::ReadSurveyManifest(options.manifest);
  if (!manifest.done()) return ReportFailure("survey", manifest.message());

  if (options.slurm) {
    const app::Outcome written = app::WriteSurveyBatchScript(*manifest, settings, options.out, executablePath());
    if (!written.done()) return ReportFailure("survey", written.message);
    std::fprintf(stderr, "corvath-cli survey: wrote %s/survey.sbatch (%zu tasks); run it with sbatch, then "
                 "corvath-cli survey --merge %s\n", options.out.c_str(), manifest->stations.size(), options.out.c_str());
    return 0;
  }

  if (options.station >= 0) {
    const auto index = static_cast<std::size_t>(options.station);
    if (index >= manifest->stations.size())
      return usageError("--station " + std::to_string(index) + " is past the manifest's " +
                        std::to_string(manifest->stations.size()) + " stations");
    app::StationRun run = app::ComputeSurveyStation(*manifest, index, settings, options.out);
    std::vector<std::string> notices;
    const app::Outcome written = app::FinishSurveyStation(run, *manifest, options.out, figure, notices);
    if (!written.done()) return ReportFailure("survey", written.message);
    for (const std::string& notice : notices) std::fprintf(stderr, "corvath-cli survey: %s\n", notice.c_str());
    if (run.done()) return 0;
    return ReportFailure("survey", run.summary.station + ": " + run.summary.message);
  }

  app::SurveyOptions run;
  run.jobs = options.jobs;
  run.figure = figure;
  run.map = map;
  if (isatty(STDERR_FILENO)) {
    run.progress = [](std::size_t finished, std::size_t total, const app::StationRun& station) {
      const app::StationSummary& row = station.summary;
      std::fprintf(stderr, "[%zu/%zu] %s %s%s%s\n", finished, total, row.station.c_str(),
                   app::StationStatusName(row.status), row.done() ? "" : ": ", row.done() ? "" : row.message.c_str());
    };
  }
  return finish(app::RunSurvey(*manifest, settings, options.out, run));
}

}  // namespace corvath::cli
