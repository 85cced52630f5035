// corvath-cli hv: the field-standard H/V of a record (Konno-Ohmachi smoothing on a
// logarithmic grid, lognormal statistics of the windows, window rejection and the
// SESAME criteria), printed as a report for scripts.
#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/commands.h"
#include "app/settingsfile.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "numerics/numberfield.h"
#include "numerics/numbertext.h"

namespace corvath::cli {

namespace {

const std::string kUsage =
    "usage: corvath-cli hv [options] FILE [FILE FILE]\n"
    "  one FILE: a record file; three FILEs: the X, Y and Z component files, or three of one channel each\n"
    "  (X and Y horizontal, Z vertical)\n" +
    RecordOptionsHelp() +
    "  --window START:END       a time range in seconds cut into windows, repeatable; none: the whole record\n"
    "  --window-length SECONDS  length of the windows (default 60)\n"
    "  --overlap PERCENT        overlap of the windows, 0 to below 100 (default 0)\n"
    "  --taper FRACTION         share of each window in the Tukey taper, 0 to 1 (default 0.05)\n"
    "  --ko-b B                 Konno-Ohmachi bandwidth (default 40)\n"
    "  --grid FMIN,FMAX,N       logarithmic frequency grid (default 0.2,20,256)\n"
    "  --combine geometric|quadratic|arithmetic   horizontal combination (default geometric)\n"
    "  --search FMIN,FMAX       band of the peak search (default the grid)\n"
    "  --reject N               reject windows whose f0 lies more than N standard deviations off (default 2)\n"
    "  --no-reject              keep every window\n"
    "  --sta-lta default|STA,LTA,MIN,MAX   keep only windows whose STA/LTA ratio stays within MIN to MAX\n"
    "                           on every component (default 1 s, 30 s, 0.2, 2.5)\n"
    "  --azimuths DEG           also the H/V of each direction every DEG degrees below 180 (default " +
    numerics::NumberToShortestText(spectra::kAzimuthStepDegreesWhenOn) + " with\n"
    "                           --azimuth-out)\n"
    "  --settings FILE          read the settings from a settings file; options after it override it\n"
    "  --save-settings FILE     write the settings in effect to a settings file (without FILEs: only that)\n"
    "  --json                   print the report as one JSON object\n"
    "  --curve-out FILE         write the mean curve with its lower and upper curves "
    "(\"f,Hz   H/V  lower  upper\")\n"
    "  --hv-out FILE            write the mean curve as a .hv file (average, min, max)\n"
    "  --windows-out FILE       write each window: start_s end_s f0_hz a0 sta_lta_min sta_lta_max status\n"
    "  --window-curves-out FILE write each window's H/V curve, one column per window\n"
    "  --azimuth-out FILE       write the curve of each azimuth: azimuth_deg f_hz hv lower upper\n";

struct Options {
  RecordOptions record;
  std::vector<std::pair<double, double>> windows;
  app::FieldStandardSettings settings;
  app::ClassicSettings classic;  //!< carried from --settings to --save-settings
  std::string saveSettings;
  bool json = false;
  std::string curveOut;
  std::string hvOut;
  std::string windowsOut;
  std::string windowCurvesOut;
  std::string azimuthOut;
  bool help = false;
  bool rejectGiven = false;
  bool noRejectGiven = false;
};

int usageError(const std::string& message) { return ReportUsageError("hv", kUsage, message); }

int failure(const std::string& message) { return ReportFailure("hv", message); }

// Reads the command line through the one scanner; throws UsageError.
void parseOptions(const std::vector<std::string>& args, Options& options) {
  app::FieldStandardSettings& s = options.settings;
  for (OptionScanner arg(args); !arg.done(); arg.next()) {
    const std::string& name = arg.name();
    if (arg.record(options.record)) {
    } else if (name == "-h" || name == "--help") {
      options.help = true;
    } else if (name == "--settings") {
      const std::string path = arg.file();
      const app::Result<app::AnalysisSettings> read = app::ReadSettingsFile(path);
      if (!read.done()) throw UsageError(read.message());
      s = read->fieldStandard;
      options.classic = read->classic;
      options.rejectGiven = options.noRejectGiven = false;
    } else if (name == "--save-settings") {
      options.saveSettings = arg.file();
    } else if (name == "--json") {
      arg.flag();
      options.json = true;
    } else if (name == "--no-reject") {
      arg.flag();
      options.noRejectGiven = true;
      s.reject = false;
    } else if (name == "--reject") {
      options.rejectGiven = true;
      s.reject = true;
      s.rejectionStdDevs = arg.number();
    } else if (name == "--window-length") {
      s.windowLengthSeconds = arg.number();
    } else if (name == "--overlap") {
      s.overlapPercent = arg.number();
    } else if (name == "--taper") {
      s.taperFraction = arg.number();
    } else if (name == "--ko-b") {
      s.bandwidth = arg.number();
    } else if (name == "--grid") {
      const std::vector<double> grid = arg.list(3, "FMIN,FMAX,N (Hz, Hz, a whole number)", 1);
      s.gridMinHz = grid[0];
      s.gridMaxHz = grid[1];
      s.gridPoints = static_cast<int>(grid[2]);
    } else if (name == "--search") {
      const std::vector<double> band = arg.list(2, "FMIN,FMAX in Hz");
      s.search = spectra::FrequencyBand{band[0], band[1]};
    } else if (name == "--combine") {
      const std::string text = arg.value();
      const auto combination = spectra::HorizontalCombinationOfWord(text);
      if (!combination) throw UsageError("--combine expects geometric, quadratic or arithmetic, got '" + text + "'");
      s.combination = *combination;
    } else if (name == "--window") {
      options.windows.push_back(arg.interval());
    } else if (name == "--curve-out") {
      options.curveOut = arg.file();
    } else if (name == "--hv-out") {
      options.hvOut = arg.file();
    } else if (name == "--windows-out") {
      options.windowsOut = arg.file();
    } else if (name == "--window-curves-out") {
      options.windowCurvesOut = arg.file();
    } else if (name == "--azimuth-out") {
      options.azimuthOut = arg.file();
    } else if (name == "--azimuths") {
      s.azimuthStepDegrees = arg.number();
    } else if (name == "--sta-lta") {
      spectra::StaLtaSettings staLta;
      if (const std::string text = arg.value(); text != "default") {
        const std::vector<double> v = arg.numbers(text, 4, "default or STA,LTA,MIN,MAX (s, s, ratio, ratio)");
        staLta = {v[0], v[1], v[2], v[3]};
      }
      s.staLta = staLta;
    } else if (arg.isOption()) {
      arg.unknown();
    } else {
      options.record.files.push_back(name);
    }
  }
  if (options.help) return;
  if (options.rejectGiven && options.noRejectGiven) throw UsageError("give either --reject N or --no-reject, not both");
  if (!options.azimuthOut.empty() && !options.settings.azimuthStepDegrees)
    options.settings.azimuthStepDegrees = spectra::kAzimuthStepDegreesWhenOn;
  if (const auto check = spectra::CheckFieldStandardSettings(options.settings); !check.done())
    throw UsageError(check.message);
  if (!options.saveSettings.empty() && options.record.files.empty()) return;
  ResolveFormat(options.record);
}

}  // namespace

int RunHv(const std::vector<std::string>& args) {
  Options options;
  if (const std::optional<int> status = ParseCommandLine("hv", kUsage, args, options, parseOptions)) return *status;
  if (!options.saveSettings.empty()) {
    const app::Outcome saved = app::SaveSettingsFile(options.saveSettings, {options.settings, options.classic});
    if (!saved.done()) return failure(saved.message);
    if (options.record.files.empty()) return 0;
  }

  app::Workspace workspace;
  try {
    if (!LoadRecordOrReport("hv", options.record, workspace)) return 1;
  } catch (const UsageError& e) {
    return usageError(e.what());
  }
  for (const auto& [start, end] : options.windows) app::AddAnalysisWindow(workspace, start, end);

  if (const app::Outcome outcome = app::CalculateFieldStandardHv(workspace, options.settings); !outcome.done())
    return failure("no result: " + outcome.message);

  std::ostringstream report;
  app::WriteFieldStandardReport(workspace, report, options.json);
  if (!WriteStandardOutput(report.str()))
    return failure("cannot write the report to standard output");
  const std::pair<const std::string*, app::Outcome (*)(const app::Workspace&, const std::string&)> outputs[] = {
      {&options.curveOut, app::SaveFieldStandardCurve},
      {&options.hvOut, [](const app::Workspace& w, const std::string& path) {
         return app::SaveFieldStandardHvFile(w, path);
       }},
      {&options.windowsOut, app::SaveWindowTable},
      {&options.windowCurvesOut, app::SaveWindowCurves},
      {&options.azimuthOut, app::SaveAzimuthTable},
  };
  for (const auto& [path, save] : outputs) {
    if (path->empty()) continue;
    if (const app::Outcome saved = save(workspace, *path); !saved.done()) return failure(saved.message);
  }
  return 0;
}

}  // namespace corvath::cli
