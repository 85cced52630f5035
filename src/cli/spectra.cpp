// corvath-cli spectra: the headless "Calculate spectra" followed by "Save results"
// as a text table, for processing many stations from a script.
#include <cstdio>
#include <exception>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/options.h"
#include "import/readers.h"
#include "numerics/numbertext.h"
#include "spectra/calculatespectra.h"
#include "spectra/export.h"
#include "windows/removezero.h"

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
    "values per point\n";

struct Options {
  RecordOptions record;  // --format, --channels and the files
  std::vector<spectra::WindowInterval> windows;
  std::string minFrq = "1";
  std::string maxFrq = "20";
  bool logAveraging = true;
  std::optional<std::string> removeZeroSize;  // the size text, as typed in the prompt
  std::string output;
  std::string bounds;
  bool help = false;
};

int usageError(const std::string& message) {
  std::fprintf(stderr, "corvath-cli spectra: %s\n", message.c_str());
  std::fputs(kUsage, stderr);
  return 2;
}

int failure(const std::string& message) {
  std::fprintf(stderr, "corvath-cli spectra: %s\n", message.c_str());
  return 1;
}

bool parsePositiveInteger(const std::string& text, int& value) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  value = std::stoi(text);
  return value > 0;
}

bool parseWindow(const std::string& text, spectra::WindowInterval& window) {
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
      options.logAveraging = false;
    } else if (arg == "--window") {
      if (!value(text)) return "--window needs a value";
      spectra::WindowInterval window;
      if (!parseWindow(text, window)) return "--window expects START:END in seconds with START <= END, got '" + text + "'";
      options.windows.push_back(window);
    } else if (arg == "--min-frq" || arg == "--max-frq") {
      if (!value(text)) return arg + " needs a value";
      if (numerics::TextToNumber(text) == numerics::InvalidNumber) return arg + " expects a number, got '" + text + "'";
      (arg == "--min-frq" ? options.minFrq : options.maxFrq) = text;
    } else if (arg == "--remove-zero") {
      int size = 0;
      if (!value(text)) return "--remove-zero needs a value";
      if (!parsePositiveInteger(text, size)) return "--remove-zero expects a positive whole number, got '" + text + "'";
      options.removeZeroSize = text;
    } else if (arg == "-o" || arg == "--output") {
      if (!value(options.output) || options.output.empty()) return arg + " needs a file name";
    } else if (arg == "--bounds") {
      if (!value(options.bounds) || options.bounds.empty()) return "--bounds needs a file name";
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

// "Remove zero" with the size as typed; like the toolbar command it needs at least
// 10 X samples.
bool applyRemoveZero(import::ThreeComponentRecord& record, const std::string& size, std::string& reason) {
  if (windows::RemoveZero(record, size)) return true;
  reason = "--remove-zero needs a record of at least 10 X samples";
  return false;
}

bool writeFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  out.close();
  return static_cast<bool>(out);
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

  std::optional<import::ThreeComponentRecord> record;
  try {
    record = LoadRecordOrReport("spectra", options.record);
  } catch (const UsageError& e) {
    return usageError(e.what());
  }
  if (!record) return 1;

  if (options.removeZeroSize) {
    std::string reason;
    if (!applyRemoveZero(*record, *options.removeZeroSize, reason)) return failure(reason);
  }

  const spectra::SpectraOutcome outcome =
      spectra::CalculateSpectra(*record, options.windows, options.logAveraging, options.minFrq, options.maxFrq);
  if (!outcome.result) return failure("no result: " + outcome.failure);

  std::ostringstream table;
  spectra::WriteSpectrumTable(table, *outcome.result);
  if (options.output.empty()) {
    const std::string text = table.str();
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
      return failure("cannot write the table to standard output");
  } else if (!writeFile(options.output, table.str())) {
    return failure(options.output + ": cannot be written");
  }
  if (!options.bounds.empty()) {
    std::ostringstream bounds;
    spectra::WriteBoundsTable(bounds, outcome.result->ratio);
    if (!writeFile(options.bounds, bounds.str())) return failure(options.bounds + ": cannot be written");
  }
  return 0;
}

}  // namespace corvath::cli
