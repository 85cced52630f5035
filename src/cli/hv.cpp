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
#include "cli/commands.h"
#include "cli/options.h"
#include "numerics/numbertext.h"

namespace corvath::cli {

namespace {

constexpr const char* kUsage =
    "usage: corvath-cli hv [options] FILE [FILE FILE]\n"
    "  one FILE: a record file whose kind comes from --format or its extension (.saf SAF, .sg2 or .seg2 SEG-2, "
    ".dat Delta)\n"
    "  three FILEs: the X, Y and Z component files (X and Y horizontal, Z vertical)\n"
    "  --format components|saf|seg2|delta\n"
    "  --channels CX,CY,CZ      channel numbers for SEG-2 and Delta, as the \"Channels\" dialog (default 1,2,3)\n"
    "  --window START:END       an analysis window in seconds, repeatable; none means automatic windows\n"
    "  --window-length SECONDS  automatic windows: length (default 60)\n"
    "  --overlap PERCENT        automatic windows: overlap, 0 to below 100 (default 0)\n"
    "  --taper FRACTION         share of each window in the Tukey taper, 0 to 1 (default 0.05)\n"
    "  --ko-b B                 Konno-Ohmachi bandwidth (default 40)\n"
    "  --grid FMIN,FMAX,N       logarithmic frequency grid (default 0.2,20,256)\n"
    "  --combine geometric|quadratic|arithmetic   horizontal combination (default geometric)\n"
    "  --search FMIN,FMAX       band of the peak search (default the grid)\n"
    "  --reject N               reject windows whose f0 lies more than N standard deviations off (default 2)\n"
    "  --no-reject              keep every window\n"
    "  --json                   print the report as one JSON object\n"
    "  --curve-out FILE         write the mean curve with its lower and upper curves "
    "(\"f,Hz   H/V  lower  upper\")\n";

struct Options {
  RecordOptions record;
  std::vector<std::pair<double, double>> windows;
  app::FieldStandardSettings settings;
  bool json = false;
  std::string curveOut;
  bool help = false;
  bool rejectGiven = false;
  bool noRejectGiven = false;
};

int usageError(const std::string& message) { return ReportUsageError("hv", kUsage, message); }

int failure(const std::string& message) { return ReportFailure("hv", message); }

std::vector<std::string> splitCommas(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1)
    parts.push_back(text.substr(start, comma - start));
  parts.push_back(text.substr(start));
  return parts;
}

bool number(const std::string& text, double& value) {
  if (text.empty()) return false;
  value = numerics::TextToNumber(text);
  return value != numerics::InvalidNumber;
}

bool wholeNumber(const std::string& text, int& value) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  value = std::stoi(text);
  return true;
}

// Returns an empty string on success, otherwise the usage error.
std::string parseOptions(const std::vector<std::string>& args, Options& options) {
  app::FieldStandardSettings& s = options.settings;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    std::optional<std::string> attached;
    if (arg.rfind("--", 0) == 0 && arg.find('=') != std::string::npos) {
      attached = arg.substr(arg.find('=') + 1);
      arg = arg.substr(0, arg.find('='));
    }
    std::string text;
    auto value = [&]() -> bool {
      if (attached) {
        text = *attached;
        return true;
      }
      if (i + 1 >= args.size()) return false;
      text = args[++i];
      return true;
    };
    auto flag = [&](bool& target) -> std::string {
      if (attached) return arg + " takes no value";
      target = true;
      return {};
    };
    auto oneNumber = [&](double& target) -> std::string {
      if (!value()) return arg + " needs a value";
      if (!number(text, target)) return arg + " expects a number, got '" + text + "'";
      return {};
    };
    std::string error;
    if (std::size_t next = i; TakeRecordOption(args, next, options.record)) {
      i = next - 1;
    } else if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg == "--json") {
      error = flag(options.json);
    } else if (arg == "--no-reject") {
      error = flag(options.noRejectGiven);
      s.reject = false;
    } else if (arg == "--reject") {
      options.rejectGiven = true;
      error = oneNumber(s.rejectionStdDevs);
    } else if (arg == "--window-length") {
      error = oneNumber(s.windowLengthSeconds);
    } else if (arg == "--overlap") {
      error = oneNumber(s.overlapPercent);
    } else if (arg == "--taper") {
      error = oneNumber(s.taperFraction);
    } else if (arg == "--ko-b") {
      error = oneNumber(s.bandwidth);
    } else if (arg == "--grid") {
      if (!value()) return "--grid needs a value";
      const auto parts = splitCommas(text);
      if (parts.size() != 3 || !number(parts[0], s.gridMinHz) || !number(parts[1], s.gridMaxHz) ||
          !wholeNumber(parts[2], s.gridPoints))
        return "--grid expects FMIN,FMAX,N (Hz, Hz, a whole number), got '" + text + "'";
    } else if (arg == "--search") {
      if (!value()) return "--search needs a value";
      const auto parts = splitCommas(text);
      spectra::FrequencyBand band;
      if (parts.size() != 2 || !number(parts[0], band.lowHz) || !number(parts[1], band.highHz))
        return "--search expects FMIN,FMAX in Hz, got '" + text + "'";
      s.search = band;
    } else if (arg == "--combine") {
      if (!value()) return "--combine needs a value";
      if (const auto combination = spectra::HorizontalCombinationOfWord(text)) s.combination = *combination;
      else return "--combine expects geometric, quadratic or arithmetic, got '" + text + "'";
    } else if (arg == "--window") {
      if (!value()) return "--window needs a value";
      const std::size_t colon = text.find(':');
      double start = 0, end = 0;
      if (colon == std::string::npos || !number(text.substr(0, colon), start) ||
          !number(text.substr(colon + 1), end) || start > end)
        return "--window expects START:END in seconds with START <= END, got '" + text + "'";
      options.windows.emplace_back(start, end);
    } else if (arg == "--curve-out") {
      if (!value() || text.empty()) return "--curve-out needs a file name";
      options.curveOut = text;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return "unknown option '" + arg + "'";
    } else {
      options.record.files.push_back(arg);
    }
    if (!error.empty()) return error;
  }
  if (options.help) return {};
  if (options.rejectGiven && options.noRejectGiven) return "give either --reject N or --no-reject, not both";
  ResolveFormat(options.record);
  if (const auto check = spectra::CheckFieldStandardSettings(options.settings); !check.done()) return check.message;
  return {};
}

}  // namespace

int RunHv(const std::vector<std::string>& args) {
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
  if (!options.curveOut.empty()) {
    if (const app::Outcome saved = app::SaveFieldStandardCurve(workspace, options.curveOut); !saved.done())
      return failure(saved.message);
  }
  return 0;
}

}  // namespace corvath::cli
