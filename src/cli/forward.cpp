// corvath-cli forward: the headless theoretical curve of a model text file, with the
// S- and P-wave transfer functions it is made of.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/forwardcurve.h"
#include "app/modelfile.h"
#include "app/observedcurve.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "numerics/numberfield.h"
#include "numerics/numbertext.h"

namespace corvath::cli {

namespace {

constexpr const char* kUsage =
    "usage: corvath-cli forward --model MODEL.txt (--freqs F1,F2,... | --curve TABLE.txt) [options]\n"
    "  --model FILE        the layered model as \"Model to text file\" writes it (2 to 10 layers);\n"
    "                      its \"Ref frq:\" and \"K degree:\" lines, if any, replace the defaults\n"
    "  --freqs F1,F2,...   the frequencies in Hz, separated by commas (a point as decimal separator)\n"
    "  --curve FILE        a results table (\"f,Hz   X  Y  Z  H/Z\", a bounds table or a .hv file): its\n"
    "                      frequencies\n"
    "  --ref-frq F         \"Ref frq\" in Hz, 0 or less without velocity dispersion (default 0)\n"
    "  --k-degree A        \"K degree\", the exponent of Q0 * f^A (default 0.1)\n"
    "  -o, --output FILE   the table (default standard output)\n"
    "writes \"f,Hz   S  P  H/Zc\": per frequency the S- and P-wave transfer functions and the\n"
    "theoretical H/V ratio, in the 23-character exponent form\n";

struct Options {
  std::string model;
  std::optional<std::vector<double>> frequencies;
  std::string curve;
  app::ForwardModelSettings settings;
  bool referenceGiven = false;  //!< --ref-frq given: the model file's line does not count
  bool exponentGiven = false;   //!< --k-degree given
  std::string output;
  bool help = false;
};

std::vector<double> parseFrequencies(const std::string& text) {
  std::vector<double> frequencies;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    const std::string piece = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    const numerics::Result<double> f = numerics::NumberField("--freqs", piece);
    if (!f.done())
      throw UsageError("--freqs expects frequencies in Hz separated by commas, as in 2.5,5 (got '" + text + "')");
    frequencies.push_back(*f);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return frequencies;
}

void parseOptions(const std::vector<std::string>& args, Options& options) {
  for (OptionScanner arg(args); !arg.done(); arg.next()) {
    const std::string& name = arg.name();
    if (name == "-h" || name == "--help") {
      options.help = true;
    } else if (name == "--model") {
      options.model = arg.file();
    } else if (name == "--freqs") {
      options.frequencies = parseFrequencies(arg.value());
    } else if (name == "--curve") {
      options.curve = arg.file();
    } else if (name == "--ref-frq") {
      options.settings.referenceFrequencyHz = arg.number();
      options.referenceGiven = true;
    } else if (name == "--k-degree") {
      options.settings.dispersionExponent = arg.number();
      options.exponentGiven = true;
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

int RunForward(const std::vector<std::string>& args) {
  Options options;
  if (const std::optional<int> status = ParseCommandLine("forward", kUsage, args, options, parseOptions)) return *status;

  app::Workspace workspace;
  const app::Result<inversion::ModelTextSettings> loaded = app::OpenModelText(workspace, options.model);
  if (!loaded.done()) {
    ReportOutcome("forward", loaded.outcome);
    return 1;
  }
  // The options win over the values the model file carries.
  if (loaded->referenceFrequencyHz && !options.referenceGiven)
    options.settings.referenceFrequencyHz = *loaded->referenceFrequencyHz;
  if (loaded->dispersionExponent && !options.exponentGiven)
    options.settings.dispersionExponent = *loaded->dispersionExponent;
  std::vector<double> frequencies;
  if (options.frequencies) {
    frequencies = *options.frequencies;
  } else {
    if (const app::Outcome loaded = app::LoadObservedCurve(workspace, options.curve); !loaded.done()) {
      ReportOutcome("forward", loaded);
      return 1;
    }
    frequencies = app::ObservedFrequencies(workspace);
  }

  std::vector<app::ForwardPoint> points;
  if (const app::Outcome computed = app::ForwardCurve(workspace, options.settings, frequencies, points);
      !computed.done())
    return ReportFailure("forward", "no result: " + computed.message);
  if (options.output.empty()) {
    if (!WriteStandardOutput(app::ForwardTableText(points)))
      return ReportFailure("forward", "cannot write the table to standard output");
  } else if (const app::Outcome saved = app::SaveForwardTable(points, options.output); !saved.done()) {
    ReportOutcome("forward", saved);
    return 1;
  }
  return 0;
}

}  // namespace corvath::cli
