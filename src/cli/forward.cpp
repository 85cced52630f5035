// corvath-cli forward: the headless theoretical curve of a model text file: the ratio
// of the S- and P-wave transfer functions (the default), or the diffuse-field H/V.
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/forwardcurve.h"
#include "app/modelfile.h"
#include "app/observedcurve.h"
#include "app/surfacewavecurves.h"
#include "cli/commands.h"
#include "cli/frequencylist.h"
#include "cli/options.h"
#include "cli/tableoutput.h"
#include "numerics/numberfield.h"
#include "numerics/numbertext.h"
#include "numerics/parallel.h"

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
    "  --kind K            transfer-function (the default): the S- and P-wave transfer functions\n"
    "                      of vertically incident body waves; diffuse-field: the H/V of a diffuse\n"
    "                      wavefield, sqrt(2 Im G11 / Im G33) (Sanchez-Sesma et al. 2011), from the\n"
    "                      Rayleigh and Love modes and the body waves; it uses H, Vp, Vs and rho,\n"
    "                      the quality factors, Ref frq and K degree do not enter\n"
    "  --surface-waves-only  diffuse-field without the body-wave terms\n"
    "  --rayleigh-modes N  diffuse-field: Rayleigh modes 0 ... N-1 (default 20)\n"
    "  --love-modes N      diffuse-field: Love modes 0 ... N-1 (default 20)\n"
    "  --damping E         diffuse-field: the body-wave integrals at the complex frequency\n"
    "                      w(1 - iE) (default 0.001)\n"
    "  -o, --output FILE   the table (default standard output)\n"
    "writes \"f,Hz   S  P  H/Zc\": per frequency the S- and P-wave transfer functions and the\n"
    "theoretical H/V ratio, in the 23-character exponent form; with --kind diffuse-field\n"
    "\"f,Hz  ImG11  ImG33  H/V\": Im G (m/N, time factor exp(-iwt), horizontal averaged over the\n"
    "azimuth) and the ratio, in the same form\n";

struct Options {
  std::string model;
  std::optional<std::vector<double>> frequencies;
  std::string curve;
  app::ForwardModelSettings settings;
  bool referenceGiven = false;  //!< --ref-frq given: the model file's line does not count
  bool exponentGiven = false;   //!< --k-degree given
  std::string output;
  bool diffuseField = false;  //!< --kind diffuse-field
  surfacewaves::DiffuseFieldSettings diffuse;
  bool help = false;
};

int modeCount(OptionScanner& arg) {
  const std::string name = arg.name();
  const double n = arg.number();
  if (!(n >= 0.0 && n <= 100.0) || n != std::floor(n))
    throw UsageError(name + " expects a whole number of modes from 0 to 100");
  return static_cast<int>(n);
}

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
    } else if (name == "--ref-frq") {
      options.settings.referenceFrequencyHz = arg.number();
      options.referenceGiven = true;
    } else if (name == "--k-degree") {
      options.settings.dispersionExponent = arg.number();
      options.exponentGiven = true;
    } else if (name == "--kind") {
      const std::string kind = arg.value();
      if (kind != "transfer-function" && kind != "diffuse-field")
        throw UsageError("--kind expects transfer-function or diffuse-field (got '" + kind + "')");
      options.diffuseField = kind == "diffuse-field";
    } else if (name == "--surface-waves-only") {
      arg.flag();
      options.diffuse.bodyWaves = false;
    } else if (name == "--rayleigh-modes") {
      options.diffuse.rayleighModes = modeCount(arg);
    } else if (name == "--love-modes") {
      options.diffuse.loveModes = modeCount(arg);
    } else if (name == "--damping") {
      options.diffuse.damping = arg.number();
      if (!(options.diffuse.damping > 0.0 && options.diffuse.damping < 1.0))
        throw UsageError("--damping expects a number between 0 and 1");
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

  if (options.diffuseField) {
    options.diffuse.workers = numerics::WorkerCount();
    std::vector<surfacewaves::DiffuseFieldPoint> points;
    if (const app::Outcome computed = app::DiffuseFieldCurve(workspace, options.diffuse, frequencies, points);
        !computed.done())
      return ReportFailure("forward", "no result: " + computed.message);
    return WriteTable("forward", app::DiffuseFieldTableText(points), options.output);
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
