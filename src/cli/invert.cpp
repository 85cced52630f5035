// corvath-cli invert: the headless "Start inversion" from a model text file and an
// observed H/Z table, through the same run command as the window's start button.
#include <unistd.h>

#include <array>
#include <atomic>
#include <csignal>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/atomicfile.h"
#include "app/commands.h"
#include "app/dispersionfile.h"
#include "app/ensemblefile.h"
#include "app/forwardcurve.h"
#include "app/inversionrun.h"
#include "app/inversionsettingsfile.h"
#include "app/modelfile.h"
#include "app/observedcurve.h"
#include "app/surfacewavecurves.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "numerics/numbertext.h"
#include "numerics/parallel.h"

namespace corvath::cli {

namespace {

// "1 to 500", the "iterNumber" row's range.
std::string IterationsRangeText() {
  const numerics::SettingRange& range = inversion::InversionSettingTable().find("iterNumber")->range;
  return std::to_string(static_cast<int>(range.lower)) + " to " + std::to_string(static_cast<int>(range.upper));
}

const std::string kUsage =
    "usage: corvath-cli invert (--model START.txt | --inversion-settings FILE) --curve OBSERVED.txt [options]\n"
    "  --model FILE          the start model as \"Model to text file\" writes it (2 to 10 layers);\n"
    "                        its \"Ref frq:\" and \"K degree:\" lines, if any, replace the defaults\n"
    "  --curve FILE          the observed H/Z: a results table (\"f,Hz   X  Y  Z  H/Z\") or a bounds\n"
    "                        table of 'corvath-cli spectra --bounds' or a .hv file of 'corvath-cli hv --hv-out'\n"
    "                        (their bounds, or Min and Max, weight the fit)\n"
    "  --global              the global search instead of the damped least squares\n"
    "  --inversion-settings FILE  the global search's settings file (JSON): the forward model, the\n"
    "                        layers with their search ranges (then --model is optional), the fit band,\n"
    "                        the dispersion curve and its weight, chains, seed, ensemble tolerance;\n"
    "                        options given win; the ensemble is sampled by Markov chains\n"
    "  --save-inversion-settings FILE  writes the inversion settings in effect\n"
    "  --posterior           the global search's ensemble sampled by Markov chains started from the\n"
    "                        chains' end points (likelihood exp(-chi2/2)); reports Vs30 as well\n"
    "  --dispersion FILE     a dispersion curve fitted with the H/V curve (columns named by its heading:\n"
    "                        frequency_hz phase_m_s [wave mode sigma_m_s]); needs the sampler\n"
    "  --seed N              fixes the global search's random numbers (default: from the clock)\n"
    "  --chains N            N independent global searches with the seeds S, S+1, ... (S of --seed)\n"
    "                        the best model of all is the result (default 1)\n"
    "  --workers N           threads for the chains at most (default: one per core)\n"
    "  --ensemble FILE       the models the chains accepted within the tolerance of the best misfit:\n"
    "                        rows \"model misfit layer H Vp Vs rho Qp Qs\" (the half-space's H as 0)\n"
    "  --ensemble-tolerance T  models up to (1 + T) times the best misfit (default 0.2)\n"
    "  --profile-out FILE    the ensemble's Vs percentiles at 101 depths down to 1.5 times the\n"
    "                        best model's depth to the half-space: \"depth_m vs_p05 vs_p50 vs_p95\"\n"
    "  --iterations N        \"Iter number\", " + IterationsRangeText() + " (default " +
    std::to_string(inversion::InversionSettings{}.IterationCount) + "; damped least squares only)\n"
    "  --min-frq F --max-frq F  the fit band in Hz, both ends included (default 1 and 20)\n"
    "  --ref-frq F           \"Ref frq\" in Hz (default 0)\n"
    "  --k-degree A          \"K degree\" (default 0.1)\n"
    "  --optimize-ref        \"Ref frq\" is a free value\n"
    "  --fixed-k             \"K degree\" is not a free value (by default it is)\n"
    "  --no-ratio-constraint without \"Vp/Vs Qp/Qs constraint\" (damped least squares only)\n"
    "  --free H,Vp,Vs,rho,Qp,Qs  the free parameters of every layer (default all but rho)\n"
    "  -o, --output FILE     the final model (default standard output), every value exact; the\n"
    "                        file ends with its \"Ref frq:\" and \"K degree:\" lines\n"
    "  --curve-out FILE      the final theoretical curve as 'corvath-cli forward' writes it\n"
    "  --forward K           the forward model fitted: transfer-function (the default) or\n"
    "                        diffuse-field (20 Rayleigh and 20 Love modes and the body waves; it\n"
    "                        uses H, Vp, Vs and rho: the quality factors, Ref frq and K degree do\n"
    "                        not enter, leave them fixed)\n"
    "  --surface-waves-only  diffuse-field without the body-wave terms\n"
    "prints \"Ref frq: V\", \"K degree: V\" and \"misfit: V\" (with several chains or an ensemble\n"
    "also the ensemble's size, f0 and depth to the half-space with their 5-95 % range); warnings\n"
    "about a weak result go to standard error; the progress goes to standard\n"
    "error when that is a terminal. Ctrl-C (or SIGTERM) stops the run at its next step and\n"
    "writes the model reached so far (exit status 130, or 143); a second one ends at once\n";

constexpr std::array<const char*, inversion::kParameterCount> kParameterNames{"h", "vp", "vs", "rho", "qp", "qs"};

struct Options {
  std::string model;
  std::string curve;
  app::InversionRequest request;
  std::optional<std::uint64_t> seed;
  std::optional<std::array<bool, inversion::kParameterCount>> free;
  bool referenceGiven = false;  //!< --ref-frq given: the model file's line does not count
  bool exponentGiven = false;   //!< --k-degree given
  std::string output;
  std::string curveOutput;
  std::string ensembleOutput;
  std::string profileOutput;
  bool chainsGiven = false;
  bool help = false;
  std::string inversionSettings;
  std::string saveInversionSettings;
  std::string dispersion;
  bool posterior = false;
  bool bandGiven = false;
  bool toleranceGiven = false;
};

std::string lowered(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

std::array<bool, inversion::kParameterCount> parseFree(const std::string& text) {
  std::array<bool, inversion::kParameterCount> free{};
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    const std::string name = lowered(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    bool known = false;
    for (int p = 0; p < inversion::kParameterCount; ++p)
      if (name == kParameterNames[p]) free[p] = known = true;
    if (!known) throw UsageError("--free takes names among H,Vp,Vs,rho,Qp,Qs separated by commas (got '" + text + "')");
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return free;
}

void parseOptions(const std::vector<std::string>& args, Options& options) {
  inversion::InversionSettings& settings = options.request.settings;
  auto flag = [](OptionScanner& arg, bool& target, bool value) {
    arg.flag();
    target = value;
  };
  for (OptionScanner arg(args); !arg.done(); arg.next()) {
    const std::string& name = arg.name();
    if (name == "-h" || name == "--help") {
      options.help = true;
    } else if (name == "--global") {
      flag(arg, settings.GlobalSearch, true);
    } else if (name == "--optimize-ref") {
      flag(arg, settings.OptimizeReferenceFrequency, true);
    } else if (name == "--fixed-k") {
      flag(arg, settings.OptimizeDispersionExponent, false);
    } else if (name == "--no-ratio-constraint") {
      flag(arg, settings.RatioConstraint, false);
    } else if (name == "--forward") {
      const std::string kind = arg.value();
      if (kind != "transfer-function" && kind != "diffuse-field")
        throw UsageError("--forward expects transfer-function or diffuse-field (got '" + kind + "')");
      options.request.forward.kind = kind == "diffuse-field" ? inversion::ForwardModelKind::DiffuseField
                                                             : inversion::ForwardModelKind::TransferFunction;
    } else if (name == "--surface-waves-only") {
      flag(arg, options.request.forward.diffuseField.bodyWaves, false);
    } else if (name == "--inversion-settings") {
      options.inversionSettings = arg.file();
    } else if (name == "--save-inversion-settings") {
      options.saveInversionSettings = arg.file();
    } else if (name == "--dispersion") {
      options.dispersion = arg.file();
    } else if (name == "--posterior") {
      flag(arg, options.posterior, true);
    } else if (name == "--model") {
      options.model = arg.file();
    } else if (name == "--curve") {
      options.curve = arg.file();
    } else if (name == "--seed") {
      options.seed = arg.unsignedWhole();
    } else if (name == "--chains") {
      options.request.chains = static_cast<int>(arg.whole(1, 1024));
      options.chainsGiven = true;
    } else if (name == "--workers") {
      options.request.workers = static_cast<int>(arg.whole(1, 1024));
    } else if (name == "--ensemble") {
      options.ensembleOutput = arg.file();
    } else if (name == "--ensemble-tolerance") {
      options.request.ensembleTolerance = arg.number();
      options.toleranceGiven = true;
      if (!(options.request.ensembleTolerance >= 0.0) || !std::isfinite(options.request.ensembleTolerance))
        throw UsageError("--ensemble-tolerance expects a number 0 or above, got " +
                         numerics::NumberToShortestText(options.request.ensembleTolerance));
    } else if (name == "--profile-out") {
      options.profileOutput = arg.file();
    } else if (name == "--iterations") {
      settings.IterationCount = arg.whole(*inversion::InversionSettingTable().find("iterNumber"));
    } else if (name == "--min-frq") {
      settings.MinFrequency = arg.number();
      options.bandGiven = true;
    } else if (name == "--max-frq") {
      settings.MaxFrequency = arg.number();
      options.bandGiven = true;
    } else if (name == "--ref-frq") {
      options.request.referenceFrequencyHz = arg.number();
      options.referenceGiven = true;
    } else if (name == "--k-degree") {
      options.request.dispersionExponent = arg.number();
      options.exponentGiven = true;
    } else if (name == "--free") {
      options.free = parseFree(arg.value());
    } else if (name == "-o" || name == "--output") {
      options.output = arg.file();
    } else if (name == "--curve-out") {
      options.curveOutput = arg.file();
    } else if (arg.isOption()) {
      arg.unknown();
    } else {
      throw UsageError("unexpected argument '" + name + "'");
    }
  }
  if (options.help) return;
  if (options.model.empty() && options.inversionSettings.empty())
    throw UsageError("--model START.txt (or --inversion-settings FILE with its layers) is required");
  if (!options.inversionSettings.empty() || options.posterior) settings.GlobalSearch = true;
  if (!options.dispersion.empty() && options.inversionSettings.empty() && !options.posterior)
    throw UsageError("--dispersion needs --posterior or --inversion-settings");
  if (options.curve.empty()) throw UsageError("--curve OBSERVED.txt is required");
  if (!settings.GlobalSearch && (options.chainsGiven || !options.ensembleOutput.empty() || !options.profileOutput.empty()))
    throw UsageError("--chains, --ensemble and --profile-out need --global");
}

// The run's percentages on a terminal's standard error, one line rewritten in place.
class TerminalProgress : public inversion::InversionProgress {
 public:
  TerminalProgress() : shown_(::isatty(STDERR_FILENO) == 1) {}
  ~TerminalProgress() override { Finish(); }

  void Report(int percent) override {
    if (!shown_ || percent == last_) return;
    last_ = percent;
    std::fprintf(stderr, "\rcorvath-cli invert: %3d%%", percent);
    std::fflush(stderr);
  }
  void ShowState(const inversion::InversionSnapshot&) override {}

  //! Ends the progress line.
  void Finish() {
    if (shown_ && last_ >= 0) std::fputc('\n', stderr);
    last_ = -1;
  }

 private:
  bool shown_;
  int last_ = -1;
};

int failure(const std::string& message) { return ReportFailure("invert", message); }

// The lines about the chains and their ensemble.
std::string EnsembleReport(const app::EnsembleSummary& ensemble) {
  std::string text = "chains: " + std::to_string(ensemble.chainMisfits.size()) + ", best: chain " +
                     std::to_string(ensemble.bestChain + 1) + "\n";
  for (const std::string& line : app::EnsembleReportLines(ensemble)) text += line + "\n";
  return text;
}

// Ctrl-C and SIGTERM during a run ask it to stop, as the window's stop button does, so
// that an hour of search is not thrown away: the model reached so far is written. The
// handler is one-shot; a second signal ends the program at once.
std::atomic<inversion::InversionProgress*> signalledRun{nullptr};
volatile std::sig_atomic_t stopSignal = 0;
static_assert(std::atomic<inversion::InversionProgress*>::is_always_lock_free);

extern "C" void requestStopOnSignal(int signal) {
  stopSignal = signal;
  if (inversion::InversionProgress* progress = signalledRun.load()) progress->RequestStop();
}

class StopOnSignals {
 public:
  explicit StopOnSignals(inversion::InversionProgress& progress) {
    signalledRun.store(&progress);
    struct sigaction action {};
    action.sa_handler = requestStopOnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    // A SIGINT the caller ignores (a background job of a script) stays ignored.
    sigaction(SIGINT, nullptr, &previousInt_);
    if (previousInt_.sa_handler != SIG_IGN) sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, &previousTerm_);
  }
  ~StopOnSignals() {
    sigaction(SIGINT, &previousInt_, nullptr);
    sigaction(SIGTERM, &previousTerm_, nullptr);
    signalledRun.store(nullptr);
  }
  StopOnSignals(const StopOnSignals&) = delete;
  StopOnSignals& operator=(const StopOnSignals&) = delete;

 private:
  struct sigaction previousInt_ {};
  struct sigaction previousTerm_ {};
};

// The settings file's values where no option was given, the sampler and the dispersion
// curve; writes --save-inversion-settings. Nonzero: the exit status of a failure.
int ApplyInversionSettings(Options& options, const std::optional<app::InversionSettingsFile>& file,
                           const app::Workspace& workspace) {
  inversion::InversionSettings& settings = options.request.settings;
  app::InversionSettingsFile effective = file.value_or(app::InversionSettingsFile{});
  if (file) {
    if (!options.bandGiven) {
      settings.MinFrequency = file->fitMinHz;
      settings.MaxFrequency = file->fitMaxHz;
    }
    if (!options.chainsGiven) options.request.chains = file->chains;
    if (!options.seed) options.seed = file->seed;
    if (!options.toleranceGiven) options.request.ensembleTolerance = file->ensembleTolerance;
    if (options.dispersion.empty()) options.dispersion = app::DispersionPathOf(*file, options.inversionSettings);
    if (file->forward == app::ForwardModelKind::DiffuseField)
      return failure("the diffuse-field forward model is not available in this build");
  }
  if (file || options.posterior) {
    app::PosteriorRequest posterior;
    if (file) posterior.sampler.poissonRanges = app::PoissonRanges(file->layers);
    posterior.sampler.workers = options.request.workers;
    if (file) posterior.dispersionWeight = file->dispersionWeight;
    if (!options.dispersion.empty()) {
      app::Result<inversion::DispersionCurve> curve = app::ReadDispersionFile(options.dispersion);
      if (!curve.done()) {
        ReportOutcome("invert", curve.outcome);
        return 1;
      }
      posterior.dispersion = std::move(*curve);
    }
    options.request.posterior = std::move(posterior);
  }
  if (!options.saveInversionSettings.empty()) {
    effective.fitMinHz = settings.MinFrequency;
    effective.fitMaxHz = settings.MaxFrequency;
    effective.chains = options.request.chains;
    effective.seed = options.seed;
    effective.ensembleTolerance = options.request.ensembleTolerance;
    if (effective.layers.empty()) effective.layers = app::LayersOfModel(workspace.model, workspace.modelTables);
    if (!file && !options.dispersion.empty()) effective.dispersion = options.dispersion;
    if (const app::Outcome saved = app::SaveInversionSettingsFile(options.saveInversionSettings, effective);
        !saved.done()) {
      ReportOutcome("invert", saved);
      return 1;
    }
  }
  return 0;
}

}  // namespace

int RunInvert(const std::vector<std::string>& args) {
  Options options;
  if (const std::optional<int> status = ParseCommandLine("invert", kUsage, args, options, parseOptions)) return *status;

  app::Workspace workspace;
  std::optional<app::InversionSettingsFile> file;
  if (!options.inversionSettings.empty()) {
    app::Result<app::InversionSettingsFile> read = app::ReadInversionSettingsFile(options.inversionSettings);
    if (!read.done()) {
      ReportOutcome("invert", read.outcome);
      return 1;
    }
    file = std::move(*read);
    if (file->layers.empty() && options.model.empty())
      return ReportUsageError("invert", kUsage, options.inversionSettings + " gives no layers: --model START.txt is required");
  }
  app::Result<inversion::ModelTextSettings> loaded{inversion::ModelTextSettings{}};
  if (!options.model.empty()) loaded = app::OpenModelText(workspace, options.model);
  if (!loaded.done()) {
    ReportOutcome("invert", loaded.outcome);
    return 1;
  }
  if (file && !file->layers.empty()) workspace.model = app::StartModelOfLayers(file->layers, workspace.modelTables);
  // The options win over the values the model file carries.
  if (loaded->referenceFrequencyHz && !options.referenceGiven)
    options.request.referenceFrequencyHz = *loaded->referenceFrequencyHz;
  if (loaded->dispersionExponent && !options.exponentGiven)
    options.request.dispersionExponent = *loaded->dispersionExponent;
  if (const app::Outcome loaded = app::LoadObservedCurve(workspace, options.curve); !loaded.done()) {
    ReportOutcome("invert", loaded);
    return 1;
  }
  if (options.free && !(file && !file->layers.empty())) {
    for (int p = 0; p < inversion::kParameterCount; ++p) {
      inversion::ParameterSettings invertOnly;
      invertOnly.invertEnabled = true;
      invertOnly.invertFlag = (*options.free)[p];
      app::ApplyParameterSettings(workspace, p, invertOnly);
    }
  }
  if (const int status = ApplyInversionSettings(options, file, workspace); status != 0) return status;
  if (options.seed) app::SeedRandomGenerator(*options.seed);
  options.request.seed = options.seed;

  app::InversionRun run(workspace, options.request);
  if (!run.precondition().done()) return failure("no result: " + run.precondition().message);
  TerminalProgress progress;
  app::Outcome ran;
  {
    const StopOnSignals stopOnSignals(progress);
    ran = run.Run(progress);
  }
  progress.Finish();
  if (!ran.done()) return failure("no result: " + ran.message);
  run.Apply(workspace);
  const bool stopped = run.result().end == inversion::InversionEnd::Stopped;
  if (stopped)
    std::fputs("corvath-cli invert: stopped before the end; the model reached so far is written\n", stderr);
  if (run.result().end == inversion::InversionEnd::Halted)
    std::fprintf(stderr, "corvath-cli invert: %s\n", run.result().message.c_str());

  if (options.output.empty()) {
    const std::string text = app::ModelText(workspace, app::ModelValueText::Exact);
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size())
      return failure("cannot write the model to standard output");
  } else if (const app::Outcome saved = app::SaveModelText(workspace, app::ModelValueText::Exact, options.output,
                                                          {workspace.referenceFrequency, workspace.dispersionExponent});
             !saved.done()) {
    ReportOutcome("invert", saved);
    return 1;
  }
  if (!options.curveOutput.empty() && options.request.forward.kind == inversion::ForwardModelKind::DiffuseField) {
    surfacewaves::DiffuseFieldSettings diffuse = options.request.forward.diffuseField;
    diffuse.workers = numerics::WorkerCount();
    std::vector<surfacewaves::DiffuseFieldPoint> points;
    if (const app::Outcome computed =
            app::DiffuseFieldCurve(workspace, diffuse, app::ObservedFrequencies(workspace), points);
        !computed.done())
      return failure("no theoretical curve: " + computed.message);
    if (const app::Outcome saved = app::WriteFileAtomically(options.curveOutput, app::DiffuseFieldTableText(points));
        !saved.done()) {
      ReportOutcome("invert", saved);
      return 1;
    }
  } else if (!options.curveOutput.empty()) {
    std::vector<app::ForwardPoint> points;
    const app::ForwardModelSettings forward{workspace.referenceFrequency, workspace.dispersionExponent};
    if (const app::Outcome computed = app::ForwardCurve(workspace, forward, app::ObservedFrequencies(workspace), points);
        !computed.done())
      return failure("no theoretical curve: " + computed.message);
    if (const app::Outcome saved = app::SaveForwardTable(points, options.curveOutput); !saved.done()) {
      ReportOutcome("invert", saved);
      return 1;
    }
  }
  const std::optional<app::EnsembleSummary>& ensemble = run.ensemble();
  if (ensemble && !options.ensembleOutput.empty())
    if (const app::Outcome saved = app::SaveEnsembleTable(ensemble->models, options.ensembleOutput); !saved.done()) {
      ReportOutcome("invert", saved);
      return 1;
    }
  if (ensemble && !options.profileOutput.empty())
    if (const app::Outcome saved = app::SaveProfileTable(ensemble->profile, options.profileOutput); !saved.done()) {
      ReportOutcome("invert", saved);
      return 1;
    }
  const std::optional<double> misfit = run.misfit();
  std::printf("Ref frq: %s\nK degree: %s\nmisfit: %s\n", numerics::NumberToShortestText(workspace.referenceFrequency).c_str(),
              numerics::NumberToShortestText(workspace.dispersionExponent).c_str(),
              misfit ? numerics::NumberToShortestText(*misfit).c_str() : "*");
  if (ensemble && (options.request.chains > 1 || !options.ensembleOutput.empty() || !options.profileOutput.empty() ||
                   ensemble->sampled))
    std::fputs(EnsembleReport(*ensemble).c_str(), stdout);
  for (const std::string& warning : run.warnings())
    std::fprintf(stderr, "corvath-cli invert: warning: %s\n", warning.c_str());
  if (std::fflush(stdout) != 0) return 1;
  return stopped ? 128 + static_cast<int>(stopSignal) : 0;
}

}  // namespace corvath::cli
