// corvath-cli spectra: the headless "Calculate spectra" followed by "Save results"
// as a text table, for processing many stations from a script.
#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/commands.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "numerics/numberfield.h"
#include "cli/plot.h"
#include "numerics/numbertext.h"

namespace corvath::cli {

namespace {

const std::string kUsage =
    "usage: corvath-cli spectra [options] FILE [FILE FILE]\n"
    "  one FILE: a record file; three FILEs: the X, Y and Z component files, or three of one channel each\n" +
    RecordOptionsHelp() +
    "  --window START:END       an analysis window in seconds, repeatable; none means automatic segmentation\n"
    "  --min-frq F --max-frq F  as the panel fields (default " +
    numerics::NumberToShortestText(app::ClassicSettings{}.minFrequencyHz) + " and " +
    numerics::NumberToShortestText(app::ClassicSettings{}.maxFrequencyHz) + ")\n"
    "  --linear                 \"Smoothed spectra\" off\n"
    "  --remove-zero SIZE       apply \"Remove zero\" with that size first\n"
    "  -o, --output FILE        the table (default standard output)\n"
    "  --bounds FILE            automatic segmentation only: heading \"f,Hz   H/Z  lower  upper\", then those four "
    "values per point\n"
    "  --plot FILE              also draw the ratio chart (H/Z, its error gates and peak label) as a picture:\n"
    "                           .png, .svg or .pdf by the name; needs no display\n"
    "  --plot-size WxH          the picture's size in pixels (default 900x560)\n";

struct Options {
  RecordOptions record;  // --format, --channels and the files
  std::vector<std::pair<double, double>> windows;  // START:END in seconds, in the order given
  app::SpectraSettings settings;                   // "Min frq", "Max frq", "Smoothed spectra"
  std::optional<double> removeZeroSize;            // samples
  std::string output;
  std::string bounds;
  PlotRequest plot;  // --plot, --plot-size
  bool help = false;
};

int usageError(const std::string& message) { return ReportUsageError("spectra", kUsage, message); }

int failure(const std::string& message) { return ReportFailure("spectra", message); }

// Reads the command line through the one scanner; throws UsageError.
void parseOptions(const std::vector<std::string>& args, Options& options) {
  for (OptionScanner arg(args); !arg.done(); arg.next()) {
    const std::string& name = arg.name();
    if (arg.record(options.record)) {
    } else if (name == "-h" || name == "--help") {
      options.help = true;
    } else if (name == "--linear") {
      arg.flag();
      options.settings.smoothedSpectra = false;
    } else if (name == "--window") {
      options.windows.push_back(arg.interval());
    } else if (name == "--min-frq") {
      options.settings.minFrequencyHz = arg.number();
    } else if (name == "--max-frq") {
      options.settings.maxFrequencyHz = arg.number();
    } else if (name == "--remove-zero") {
      options.removeZeroSize = static_cast<double>(arg.whole(1, 999'999'999));
    } else if (name == "-o" || name == "--output") {
      options.output = arg.file();
    } else if (name == "--bounds") {
      options.bounds = arg.file();
    } else if (name == "--plot") {
      options.plot.path = arg.file();
      if (const app::Outcome path = CheckPlotPath(options.plot.path); !path.done()) throw UsageError(path.message);
    } else if (name == "--plot-size") {
      const app::Result<std::pair<int, int>> size = ParsePlotSize(arg.value());
      if (!size.done()) throw UsageError(size.message());
      std::tie(options.plot.widthPx, options.plot.heightPx) = *size;
    } else if (arg.isOption()) {
      arg.unknown();
    } else {
      options.record.files.push_back(name);
    }
  }
  if (options.help) return;
  ResolveFormat(options.record);
  if (!options.bounds.empty() && !options.windows.empty())
    throw UsageError("--bounds is only available with automatic segmentation (no --window)");
}

}  // namespace

int RunSpectra(const std::vector<std::string>& args) {
  Options options;
  if (const std::optional<int> status = ParseCommandLine("spectra", kUsage, args, options, parseOptions)) return *status;

  app::Workspace workspace;
  try {
    if (!LoadRecordOrReport("spectra", options.record, workspace)) return 1;
  } catch (const UsageError& e) {
    return usageError(e.what());
  }

  if (options.removeZeroSize) {
    const double size = *options.removeZeroSize;
    if (!app::RemoveZero(workspace, [size] { return size; }).done())
      return failure("--remove-zero needs a record of at least 10 X samples");
  }
  for (const auto& [start, end] : options.windows) app::AddAnalysisWindow(workspace, start, end);

  if (const app::Outcome outcome = app::CalculateSpectra(workspace, options.settings); !outcome.done())
    return failure("no result: " + outcome.message);

  if (options.output.empty()) {
    std::ostringstream table;
    app::WriteSpectrumTable(workspace, table);
    if (!WriteStandardOutput(table.str()))
      return failure("cannot write the table to standard output");
  } else if (const app::Outcome saved = app::SaveResults(workspace, {app::ResultFileType::SpectrumText, options.output, {}});
             !saved.done()) {
    return failure(saved.message);
  }
  if (!options.bounds.empty()) {
    if (const app::Outcome saved = app::SaveRatioBounds(workspace, options.bounds); !saved.done())
      return failure(saved.message);
  }
  if (!options.plot.path.empty()) {
    if (const app::Outcome plotted = WritePlot(workspace, options.plot); !plotted.done()) return failure(plotted.message);
  }
  return 0;
}

}  // namespace corvath::cli
