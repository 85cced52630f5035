// corvath-cli dispersion: the Rayleigh and Love modes of a model text file.
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "app/modelfile.h"
#include "app/observedcurve.h"
#include "app/surfacewavecurves.h"
#include "cli/commands.h"
#include "cli/frequencylist.h"
#include "cli/options.h"
#include "cli/tableoutput.h"

namespace corvath::cli {

namespace {

constexpr const char* kUsage =
    "usage: corvath-cli dispersion --model MODEL.txt (--freqs F1,F2,... | --curve TABLE.txt) [options]\n"
    "  --model FILE        the layered model as \"Model to text file\" writes it (2 to 10 layers);\n"
    "                      its H, Vp, Vs and rho are used (an elastic medium: no quality factor)\n"
    "  --freqs F1,F2,...   the frequencies in Hz, separated by commas (a point as decimal separator)\n"
    "  --curve FILE        a results table (\"f,Hz   X  Y  Z  H/Z\", a bounds table or a .hv file): its\n"
    "                      frequencies\n"
    "  --modes N           modes 0 ... N-1 of each wave type (default 5)\n"
    "  --wave W            rayleigh, love or both (the default)\n"
    "  -o, --output FILE   the table (default standard output)\n"
    "writes the tab-separated table \"wave mode frequency_hz phase_m_s group_m_s ellipticity\": one\n"
    "row per mode that exists at a frequency (a mode above its cut-off has no row), phase and group\n"
    "velocity in m/s; ellipticity (horizontal over vertical motion at the surface, signed, without\n"
    "bound where the vertical motion vanishes) on Rayleigh mode 0 rows, nan elsewhere. A mode that\n"
    "cannot be followed fails the command, naming the mode and the frequency\n";

struct Options {
  std::string model;
  std::optional<std::vector<double>> frequencies;
  std::string curve;
  app::DispersionSettings settings;
  std::string output;
  bool help = false;
};

void parseOptions(const std::vector<std::string>& args, Options& options) {
  for (OptionScanner arg(args); !arg.done(); arg.next()) {
    const std::string& name = arg.name();
    if (name == "-h" || name == "--help") {
      options.help = true;
    } else if (name == "--model") {
      options.model = arg.file();
    } else if (name == "--freqs") {
      options.frequencies = ParseFrequencyList("--freqs", arg.value());
    } else if (name == "--curve") {
      options.curve = arg.file();
    } else if (name == "--modes") {
      const double n = arg.number();
      if (!(n >= 1.0 && n <= 100.0) || n != std::floor(n))
        throw UsageError("--modes expects a whole number of modes from 1 to 100");
      options.settings.modes = static_cast<int>(n);
    } else if (name == "--wave") {
      const std::string wave = arg.value();
      if (wave != "rayleigh" && wave != "love" && wave != "both")
        throw UsageError("--wave expects rayleigh, love or both (got '" + wave + "')");
      options.settings.rayleigh = wave != "love";
      options.settings.love = wave != "rayleigh";
    } else if (name == "-o" || name == "--output") {
      options.output = arg.file();
    } else if (arg.isOption()) {
      arg.unknown();
    } else {
      throw UsageError("unexpected argument '" + name + "'");
    }
  }
  if (options.help) return;
  if (options.model.empty()) throw UsageError("--model MODEL.txt is required");
  if (options.frequencies.has_value() == !options.curve.empty())
    throw UsageError("give the frequencies either with --freqs or with --curve");
}

}  // namespace

int RunDispersion(const std::vector<std::string>& args) {
  Options options;
  if (const std::optional<int> status = ParseCommandLine("dispersion", kUsage, args, options, parseOptions))
    return *status;
  app::Workspace workspace;
  if (const auto loaded = app::OpenModelText(workspace, options.model); !loaded.done()) {
    ReportOutcome("dispersion", loaded.outcome);
    return 1;
  }
  std::vector<double> frequencies;
  if (options.frequencies) {
    frequencies = *options.frequencies;
  } else {
    if (const app::Outcome loaded = app::LoadObservedCurve(workspace, options.curve); !loaded.done()) {
      ReportOutcome("dispersion", loaded);
      return 1;
    }
    frequencies = app::ObservedFrequencies(workspace);
  }
  std::string table;
  if (const app::Outcome computed = app::DispersionTable(workspace, options.settings, frequencies, table);
      !computed.done())
    return ReportFailure("dispersion", "no result: " + computed.message);
  return WriteTable("dispersion", table, options.output);
}

}  // namespace corvath::cli
