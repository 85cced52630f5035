// corvath-cli spectra: the headless "Calculate spectra" followed by "Save results"
// as a text table, for processing many stations from a script.
#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/commands.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "cli/plot.h"
#include "numerics/numbertext.h"

namespace corvath::cli {

namespace {

constexpr const char* kUsage =
    "usage: corvath-cli spectra [options] FILE [FILE FILE]\n"
    "  one FILE: a record file whose kind comes from --format or its extension (.saf SAF, .sg2 or .seg2 SEG-2, "
    ".dat Delta)\n"
    "  three FILEs: the X, Y and Z component files\n"
    "  --format components|saf|seg2|delta\n"
    "  --channels CX,CY,CZ      channel numbers for SEG-2 and Delta, as the \"Channels\" dialog (default 1,2,3)\n"
    "  --window START:END       an analysis window in seconds, repeatable; none means automatic segmentation\n"
    "  --min-frq F --max-frq F  as the panel fields (default 1 and 20)\n"
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

bool parsePositiveInteger(const std::string& text, int& value) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  value = std::stoi(text);
  return value > 0;
}

bool parseWindow(const std::string& text, std::pair<double, double>& window) {
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos || text.find(':', colon + 1) != std::string::npos) return false;
  const double start = numerics::TextToNumber(text.substr(0, colon));
  const double end = numerics::TextToNumber(text.substr(colon + 1));
  if (start == numerics::InvalidNumber || end == numerics::InvalidNumber || start > end) return false;
  window = {start, end};
  return true;
}

// Returns an empty string on success, otherwise the usage error.
std::string parseOptions(const std::vector<std::string>& args, Options& options) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    std::optional<std::string> attached;
    if (arg.rfind("--", 0) == 0 && arg.find('=') != std::string::npos) {
      attached = arg.substr(arg.find('=') + 1);
      arg = arg.substr(0, arg.find('='));
    }
    auto value = [&](std::string& out) -> bool {
      if (attached) {
        out = *attached;
        return true;
      }
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string text;
    if (std::size_t next = i; TakeRecordOption(args, next, options.record)) {
      i = next - 1;
    } else if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg == "--linear") {
      if (attached) return "--linear takes no value";
      options.settings.logAveraging = false;
    } else if (arg == "--window") {
      if (!value(text)) return "--window needs a value";
      std::pair<double, double> window;
      if (!parseWindow(text, window)) return "--window expects START:END in seconds with START <= END, got '" + text + "'";
      options.windows.push_back(window);
    } else if (arg == "--min-frq" || arg == "--max-frq") {
      if (!value(text)) return arg + " needs a value";
      const double frequency = numerics::TextToNumber(text);
      if (frequency == numerics::InvalidNumber) return arg + " expects a number, got '" + text + "'";
      (arg == "--min-frq" ? options.settings.minFrequencyHz : options.settings.maxFrequencyHz) = frequency;
    } else if (arg == "--remove-zero") {
      int size = 0;
      if (!value(text)) return "--remove-zero needs a value";
      if (!parsePositiveInteger(text, size)) return "--remove-zero expects a positive whole number, got '" + text + "'";
      options.removeZeroSize = size;
    } else if (arg == "-o" || arg == "--output") {
      if (!value(options.output) || options.output.empty()) return arg + " needs a file name";
    } else if (arg == "--bounds") {
      if (!value(options.bounds) || options.bounds.empty()) return "--bounds needs a file name";
    } else if (arg == "--plot") {
      if (!value(options.plot.path) || options.plot.path.empty()) return "--plot needs a file name";
      if (const std::string error = CheckPlotPath(options.plot.path); !error.empty()) return error;
    } else if (arg == "--plot-size") {
      if (!value(text)) return "--plot-size needs a value";
      if (!ParsePlotSize(text, options.plot.widthPx, options.plot.heightPx))
        return "--plot-size expects WIDTHxHEIGHT in pixels (16 to 20000 each), got '" + text + "'";
    } else if (arg.size() > 1 && arg[0] == '-') {
      return "unknown option '" + arg + "'";
    } else {
      options.record.files.push_back(arg);
    }
  }
  if (options.help) return {};
  ResolveFormat(options.record);
  if (!options.bounds.empty() && !options.windows.empty())
    return "--bounds is only available with automatic segmentation (no --window)";
  return {};
}

}  // namespace

int RunSpectra(const std::vector<std::string>& args) {
  Options options;
  try {
    if (const std::string error = parseOptions(args, options); !error.empty()) return usageError(error);
  } catch (const UsageError& e) {
    return usageError(e.what());
  }
  if (options.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }

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
    if (const std::string error = WritePlot(workspace, options.plot); !error.empty()) return failure(error);
  }
  return 0;
}

}  // namespace corvath::cli
