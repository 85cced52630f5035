#include "app/inversionrun.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <limits>
#include <new>

#include "inversion/curveevaluator.h"
#include "inversion/globalsearch.h"
#include "inversion/linearizedinversion.h"
#include "inversion/randomgenerator.h"
#include "inversion/vs30.h"
#include "inversion/runsupport.h"
#include "numerics/numbertext.h"
#include "numerics/parallel.h"

namespace corvath::app {

InversionRun::InversionRun(const Workspace& workspace, const InversionRequest& request)
    : settings_(request.settings), tables_(workspace.modelTables), request_(request) {
  state_.model = workspace.model;
  state_.referenceFrequency = request.referenceFrequencyHz;
  state_.dispersionExponent = request.dispersionExponent;
  start_ = state_;
  if (workspace.spectraResult && !workspace.spectraResult->ratio.points.empty())
    observed_ = workspace.spectraResult->ratio;
  else
    precondition_ = Outcome::Unchanged("there is no observed H/Z curve to fit: calculate the spectra first");
  if (!precondition_.done()) return;
  try {
    numerics::arofcomplexM curve;
    inversion::CurveEvaluatorFor(request_.forward, observed_, numerics::WorkerCount())(state_.model, state_.referenceFrequency, state_.dispersionExponent,
                                                    curve);
    startMisfit_ = misfitOf(curve);
  } catch (...) {
    startMisfit_.reset();  // the run itself meets the fault and says so
  }
}

Outcome InversionRun::Run(inversion::InversionProgress& progress) {
  if (!precondition_.done()) return precondition_;
  if (request_.posterior && request_.posterior->dispersion && !request_.posterior->phaseVelocities)
    return Outcome::Failed("a dispersion curve needs the surface-wave modal engine, which computes no phase velocities here");
  ran_ = true;
  try {
    if (settings_.GlobalSearch) {
      const inversion::ChainSettings chainSettings{std::max(1, request_.chains), request_.seed, request_.workers, true};
      const inversion::ChainsOutcome chains = inversion::RunGlobalSearchChains(
          start_, observed_, tables_, settings_, [this] { return inversion::CurveEvaluatorFor(request_.forward, observed_, 1); },
          chainSettings, progress);
      const inversion::GlobalSearchChain& best = chains.chains[chains.bestChain];
      state_ = best.best;
      result_ = best.outcome;
      // A stop or a fault of any chain is the run's.
      for (const inversion::GlobalSearchChain& chain : chains.chains) {
        if (chain.outcome.end == inversion::InversionEnd::Failed && result_.end != inversion::InversionEnd::Failed) {
          result_.end = chain.outcome.end;
          result_.message = chain.outcome.message;
        }
        if (chain.outcome.end == inversion::InversionEnd::Stopped && result_.end == inversion::InversionEnd::Completed)
          result_.end = inversion::InversionEnd::Stopped;
      }
      if (result_.end != inversion::InversionEnd::NothingToFit) {
        if (request_.posterior && result_.end == inversion::InversionEnd::Completed)
          Sample(chains, progress);
        else
          Summarize(chains);
      }
    } else {
      const inversion::CurveEvaluator evaluate =
          inversion::CurveEvaluatorFor(request_.forward, observed_, numerics::WorkerCount());
      result_ = inversion::RunLinearizedInversion(state_, observed_, tables_, settings_, evaluate, progress);
    }
  } catch (...) {
    const Outcome fault = OutcomeOfException(std::current_exception(), "Not enough memory for the inversion");
    result_ = {inversion::InversionEnd::Failed, fault.message, {}};
  }
  switch (result_.end) {
    case inversion::InversionEnd::Completed:
    case inversion::InversionEnd::Stopped: return Outcome::Done();
    case inversion::InversionEnd::Halted: return Outcome::Done(result_.message);
    case inversion::InversionEnd::NothingToFit:
      return Outcome::Unchanged("nothing to fit: no free value, or no observed point in the band");
    case inversion::InversionEnd::Failed: break;
  }
  return Outcome::Failed(result_.message);
}

void InversionRun::Summarize(const inversion::ChainsOutcome& chains) {
  EnsembleSummary summary;
  summary.tolerance = request_.ensembleTolerance;
  summary.bestChain = chains.bestChain;
  summary.bestMisfit = chains.chains[chains.bestChain].bestMisfit;
  for (const inversion::GlobalSearchChain& chain : chains.chains) summary.chainMisfits.push_back(chain.bestMisfit);
  summary.models = inversion::SelectEnsemble(chains.chains, chains.bestChain, summary.tolerance);
  SummarizeModels(summary);
  ensemble_ = std::move(summary);
}

void InversionRun::SummarizeModels(EnsembleSummary& summary) {
  summary.profileDepth = inversion::kProfileDepthFactor * inversion::DepthToHalfSpace(state_.model.values);
  summary.profile = inversion::VsProfileBand(summary.models, summary.profileDepth);
  std::vector<double> depths, peaks;
  std::vector<numerics::arofcomplexM> curves;
  const inversion::CurveEvaluator evaluate =
          inversion::CurveEvaluatorFor(request_.forward, observed_, numerics::WorkerCount());
  inversion::amodel model = state_.model;
  for (const inversion::AcceptedModel& accepted : summary.models) {
    depths.push_back(inversion::DepthToHalfSpace(accepted.values));
    model.values = accepted.values;
    numerics::arofcomplexM curve;
    try {
      evaluate(model, accepted.referenceFrequency, accepted.dispersionExponent, curve);
    } catch (const std::exception&) {
      continue;  // a model whose curve faults has no peak to count
    }
    peaks.push_back(inversion::PeakFrequency(curve));
    curves.push_back(std::move(curve));
  }
  summary.halfSpaceDepth = inversion::SpreadOf(depths);
  summary.peakFrequency = inversion::SpreadOf(peaks);
  inversion::CurveBand(curves, summary.curveLower, summary.curveUpper);
}

inversion::StateFitFunction InversionRun::MakeStateFit(inversion::JointMisfit* parts) const {
  const inversion::CurveEvaluator evaluate = inversion::TheoreticalCurveEvaluator(observed_);
  const inversion::FitWeights weights = inversion::ComputeBandWeights(observed_, settings_);
  const numerics::arofdoubleM sigmas = inversion::LogRatioSigmas(observed_, settings_);
  const PosteriorRequest* posterior = request_.posterior ? &*request_.posterior : nullptr;
  const inversion::DispersionCurve* dispersion =
      posterior && posterior->dispersion ? &*posterior->dispersion : nullptr;
  double w = 0.0;
  if (dispersion) {
    const std::size_t hvPoints = static_cast<std::size_t>(std::count_if(weights.begin(), weights.end(), [](double x) { return x > 0.0; }));
    w = posterior->dispersionWeight.value_or(inversion::BalancedDispersionWeight(hvPoints, dispersion->points.size()));
  }
  const spectra::RatioCurve* observed = &observed_;
  // chi2 of the sampler: the H/V part alone, or 2 ((1 - w) chi2_HV + w chi2_DC), which is the
  // product of the two likelihoods at w = 1/2.
  return [=](const inversion::InversionState& state) -> inversion::StateFit {
    numerics::arofcomplexM curve;
    evaluate(state.model, state.referenceFrequency, state.dispersionExponent, curve);
    const double hv = inversion::GlobalSearchMisfit(curve, *observed, weights);
    const double hvChi = inversion::LogRatioChiSquare(curve, *observed, sigmas);
    if (!dispersion) {
      if (parts) *parts = inversion::CombineMisfits(hv, 0.0, 0.0);
      return {hvChi, hv};
    }
    const double dc = inversion::DispersionMisfit(*dispersion, posterior->phaseVelocities(state.model, dispersion->points));
    const inversion::JointMisfit joint = inversion::CombineMisfits(hv, dc, w);
    if (parts) *parts = joint;
    const double dcChi = dc * dc * static_cast<double>(dispersion->points.size());
    return {2.0 * ((1.0 - w) * hvChi + w * dcChi), joint.total};
  };
}

void InversionRun::Sample(const inversion::ChainsOutcome& chains, inversion::InversionProgress& progress) {
  std::vector<inversion::InversionState> starts;
  for (const inversion::GlobalSearchChain& chain : chains.chains) starts.push_back(chain.best);
  const std::uint64_t seed =
      request_.seed ? *request_.seed
                    : static_cast<std::uint64_t>(inversion::RandomInteger()) * (inversion::kRandomIntegerMax + 1ULL) +
                          inversion::RandomInteger();
  const inversion::PosteriorOutcome posterior = inversion::SamplePosterior(
      starts, tables_, settings_, [this] { return MakeStateFit(nullptr); }, request_.posterior->sampler, seed, progress);
  if (posterior.end == inversion::InversionEnd::Failed) {
    result_.end = posterior.end;
    result_.message = posterior.message;
  } else if (posterior.end == inversion::InversionEnd::Stopped) {
    result_.end = posterior.end;
  }
  EnsembleSummary summary;
  summary.tolerance = request_.ensembleTolerance;
  summary.bestChain = chains.bestChain;
  summary.bestMisfit = chains.chains[chains.bestChain].bestMisfit;
  for (const inversion::GlobalSearchChain& chain : chains.chains) summary.chainMisfits.push_back(chain.bestMisfit);
  if (posterior.bestFit.misfit < std::numeric_limits<double>::infinity()) {
    state_ = posterior.best;
    numerics::arofcomplexM curve;
    try {
      inversion::TheoreticalCurveEvaluator(observed_)(state_.model, state_.referenceFrequency,
                                                      state_.dispersionExponent, curve);
      result_.theoreticalCurve = std::move(curve);
      MakeStateFit(&summary.bestParts)(state_);
    } catch (const std::exception&) {
      // the sampler computed this very state; a fault now leaves the chains' curve
    }
  }
  summary.models = posterior.models;
  summary.sampled = true;
  summary.samplerChains = starts.size();
  summary.acceptance = posterior.acceptance;
  summary.joint = request_.posterior->dispersion.has_value();
  SummarizeModels(summary);
  std::vector<double> vs30;
  for (const inversion::AcceptedModel& model : summary.models) vs30.push_back(inversion::TimeAveragedVs(model.values));
  summary.vs30 = inversion::SpreadOf(vs30);
  const auto& thickness = state_.model.values[static_cast<int>(inversion::ModelParameter::H)];
  double top = 0.0;
  for (int layer = 0; layer < state_.model.layerCount(); ++layer) {
    const bool halfSpace = layer + 1 == state_.model.layerCount();
    const double depth = halfSpace ? 1.25 * top : top + 0.5 * thickness[static_cast<std::size_t>(layer)];
    std::vector<double> at;
    for (const inversion::AcceptedModel& model : summary.models)
      at.push_back(1000.0 * inversion::ShearVelocityAt(model.values, depth));
    summary.layerVs.push_back({depth, inversion::SpreadOf(at)});
    if (!halfSpace) top += thickness[static_cast<std::size_t>(layer)];
  }
  ensemble_ = std::move(summary);
}

std::vector<std::string> InversionRun::warnings() const {
  std::vector<std::string> texts;
  if (!ran_ || result_.end == inversion::InversionEnd::NothingToFit) return texts;
  if (const std::vector<std::string> layers = inversion::UnphysicalLayers(state_.model); !layers.empty()) {
    // "layer 3: Vs 0.99 >= Vp 0.90" becomes "layer 3 (Vs 0.99 >= Vp 0.90)" in one line.
    std::string line = "no physical material in ";
    for (std::size_t k = 0; k < layers.size(); ++k) {
      const std::size_t colon = layers[k].find(": ");
      line += (k ? ", " : "") + layers[k].substr(0, colon) + " (" + layers[k].substr(colon + 2) + ")";
    }
    texts.push_back(line);
  }
  // Chains stopped part-way have searched for different lengths: their misfits say
  // nothing about whether they would have agreed.
  if (ensemble_ && ensemble_->chainMisfits.size() > 1 && result_.end == inversion::InversionEnd::Completed) {
    const double limit = (1.0 + ensemble_->tolerance) * ensemble_->bestMisfit;
    std::string which, misfits;
    std::size_t count = 0;
    for (std::size_t k = 0; k < ensemble_->chainMisfits.size(); ++k)
      if (!(ensemble_->chainMisfits[k] <= limit)) {
        which += (count ? ", " : "") + std::to_string(k + 1);
        misfits += (count ? ", " : "") + numerics::NumberToText(2, ensemble_->chainMisfits[k]);
        ++count;
      }
    if (count > 0)
      texts.push_back("chains disagree: the best misfit of chain" + std::string(count > 1 ? "s " : " ") + which + " (" +
                      misfits + ") is above " + numerics::NumberToShortestText(1.0 + ensemble_->tolerance) +
                      " times the best " + numerics::NumberToText(2, ensemble_->bestMisfit) + " (chain " +
                      std::to_string(ensemble_->bestChain + 1) + ")");
  }
  for (const std::string& value : ValuesAtLimits(start_, state_, tables_, settings_)) texts.push_back(value);
  return texts;
}

void InversionRun::Apply(Workspace& workspace) const {
  if (!ran_ || result_.end == inversion::InversionEnd::NothingToFit) return;
  workspace.model = state_.model;
  workspace.referenceFrequency = state_.referenceFrequency;
  workspace.dispersionExponent = state_.dispersionExponent;
  if (!result_.theoreticalCurve.empty()) workspace.theoreticalCurve = result_.theoreticalCurve;
}

std::optional<double> InversionRun::misfit() const {
  return misfitOf(result_.theoreticalCurve);
}

std::optional<double> InversionRun::misfitOf(const numerics::arofcomplexM& curve) const {
  if (curve.empty() || curve.size() != observed_.points.size()) return std::nullopt;
  if (settings_.GlobalSearch)
    return inversion::GlobalSearchMisfit(curve, observed_, inversion::ComputeBandWeights(observed_, settings_));
  // The very measure by which the run chose among its trials.
  const inversion::FitWeights weights = inversion::ComputeFitWeights(observed_, settings_);
  return inversion::LinearizedMisfit(curve, inversion::ObservedLogarithms(observed_, weights), weights);
}

std::vector<std::string> UnphysicalLayers(const inversion::amodel& model) { return inversion::UnphysicalLayers(model); }

namespace {

// One line of values at one end of their ranges: "at its lower limit: H of layer 1 (0.100);
// Vs of layers 2, 5 (0.250, 0.300)", the parameters in table order.
struct LimitLine {
  std::array<std::vector<int>, inversion::kParameterCount> layers;
  std::array<std::vector<double>, inversion::kParameterCount> limits;
  std::vector<std::string> others;  // "Ref frq (10)", "K degree (3)"

  bool empty() const {
    for (const auto& l : layers)
      if (!l.empty()) return false;
    return others.empty();
  }
  std::string text(const std::string& end) const {
    static constexpr const char* kNames[] = {"H", "Vp", "Vs", "rho", "Qp", "Qs"};
    const auto number = [](double v) { return numerics::NumberToText(2, v); };
    std::string line = "at its " + end + " limit: ";
    std::size_t parts = 0;
    for (int p = 0; p < inversion::kParameterCount; ++p) {
      if (layers[p].empty()) continue;
      std::string which, values;
      for (std::size_t k = 0; k < layers[p].size(); ++k) {
        which += (k ? ", " : "") + std::to_string(layers[p][k] + 1);
        values += (k ? ", " : "") + number(limits[p][k]);
      }
      line += (parts++ ? "; " : "") + std::string(kNames[p]) + " of layer" + (layers[p].size() > 1 ? "s " : " ") +
              which + " (" + values + ")";
    }
    for (const std::string& other : others) line += (parts++ ? "; " : "") + other;
    return line;
  }
};

}  // namespace

std::vector<std::string> ValuesAtLimits(const inversion::InversionState& start, const inversion::InversionState& state,
                                        const inversion::ModelTables& tables,
                                        const inversion::InversionSettings& settings) {
  using inversion::FreeValueKind;
  using inversion::ModelParameter;
  constexpr double kNearLimit = 0.005;  // of the limit's own size
  LimitLine lower, upper;
  // Which end a value inside its range lies within 0.5 % of; a value outside its range
  // is no value "at its limit" (and an empty range says nothing).
  const auto end = [&](double value, numerics::Complex range) -> LimitLine* {
    if (!(range.re < range.im) || !std::isfinite(range.re) || !std::isfinite(range.im)) return nullptr;
    if (!(value >= range.re && value <= range.im)) return nullptr;
    const double toLower = value - range.re, toUpper = range.im - value;
    const bool nearLower = toLower <= kNearLimit * std::fabs(range.re);
    const bool nearUpper = toUpper <= kNearLimit * std::fabs(range.im);
    if (nearLower && (!nearUpper || toLower <= toUpper)) return &lower;
    if (nearUpper) return &upper;
    return nullptr;
  };
  const auto other = [&](const std::string& name, double value, numerics::Complex range) {
    if (LimitLine* line = end(value, range))
      line->others.push_back(name + " (" + numerics::NumberToText(2, line == &lower ? range.re : range.im) + ")");
  };
  const auto& values = state.model.values;
  const int vp = static_cast<int>(ModelParameter::Vp), qp = static_cast<int>(ModelParameter::Qp);
  for (const inversion::FreeParameter& entry : inversion::BuildFreeParameterList(start.model, settings)) {
    switch (entry.kind) {
      case FreeValueKind::ReferenceFrequency:
        if (settings.GlobalSearch)
          other("Ref frq", state.referenceFrequency, inversion::GlobalSearchStartRange(tables, start, entry));
        continue;
      case FreeValueKind::DispersionExponent:
        if (settings.GlobalSearch)
          other("K degree", state.dispersionExponent, inversion::GlobalSearchStartRange(tables, start, entry));
        continue;
      case FreeValueKind::Layer: break;
    }
    const int p = entry.parameter, layer = entry.layer;
    const double value = values[p][static_cast<std::size_t>(layer)];
    numerics::Complex range{};
    if (!settings.GlobalSearch) {
      range = inversion::LinearizedRange(tables, values, p, layer, settings.RatioConstraint);
    } else if (p == static_cast<int>(ModelParameter::Vs) || p == static_cast<int>(ModelParameter::Qs)) {
      // Drawn against the partner of the same proposal, which the result keeps.
      const bool velocity = p == static_cast<int>(ModelParameter::Vs);
      const double partner = values[velocity ? vp : qp][static_cast<std::size_t>(layer)];
      range = {std::max(partner / 5.0, tables.HardLimits[p].re),
               std::min(velocity ? partner / inversion::kMinVelocityRatio : partner, tables.HardLimits[p].im)};
    } else {
      range = inversion::GlobalSearchStartRange(tables, start, entry);
    }
    if (LimitLine* line = end(value, range)) {
      line->layers[p].push_back(layer);
      line->limits[p].push_back(line == &lower ? range.re : range.im);
    }
  }
  std::vector<std::string> texts;
  if (!lower.empty()) texts.push_back(lower.text("lower"));
  if (!upper.empty()) texts.push_back(upper.text("upper"));
  return texts;
}

std::vector<std::string> EnsembleReportLines(const EnsembleSummary& ensemble) {
  const auto range = [](const inversion::Spread& spread) {
    using numerics::NumberToText;
    return NumberToText(2, spread.p50) + " (5-95 %: " + NumberToText(2, spread.p05) + " to " +
           NumberToText(2, spread.p95) + ")";
  };
  if (!ensemble.sampled)
    return {"ensemble: " + std::to_string(ensemble.models.size()) + " models within " +
                numerics::NumberToShortestText(1.0 + ensemble.tolerance) + " times the best misfit",
            "f0 Hz: " + range(ensemble.peakFrequency), "depth to the half-space m: " + range(ensemble.halfSpaceDepth)};
  std::vector<std::string> lines{
      "ensemble: " + std::to_string(ensemble.models.size()) + " models sampled by " +
          std::to_string(ensemble.samplerChains) + " Markov chains (acceptance " +
          numerics::NumberToText(2, ensemble.acceptance) + ")",
      "f0 Hz: " + range(ensemble.peakFrequency), "depth to the half-space m: " + range(ensemble.halfSpaceDepth),
      "Vs30 m/s: " + range(ensemble.vs30)};
  for (const DepthSpread& at : ensemble.layerVs)
    lines.push_back("Vs m/s at " + numerics::NumberToText(1, at.depthM) + " m: " + range(at.vsMS));
  if (ensemble.joint) {
    lines.push_back("misfit H/V: " + numerics::NumberToShortestText(ensemble.bestParts.hv));
    lines.push_back("misfit dispersion: " + numerics::NumberToShortestText(ensemble.bestParts.dispersion));
    lines.push_back("misfit total: " + numerics::NumberToShortestText(ensemble.bestParts.total));
  }
  return lines;
}

void SeedRandomGenerator(std::uint64_t seed) { inversion::SeedRandomGenerator(seed); }

}  // namespace corvath::app
