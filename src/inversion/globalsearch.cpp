#include "inversion/globalsearch.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <string>

#include "inversion/randomgenerator.h"
#include "inversion/runsupport.h"

namespace corvath::inversion {

using detail::LogOf;
using detail::RestoreValues;
using detail::SaveValues;
using detail::ValueSet;
using numerics::arofcomplexM;
using numerics::Complex;
using numerics::InvalidNumber;

namespace {

constexpr double kMaxSearchReferenceFrequency = 10.0;
constexpr double kMaxSearchExponent = 3.0;
constexpr int kMaxRedraws = 100000;  // a range of NaN ends could otherwise never be met
constexpr double kInfinity = std::numeric_limits<double>::infinity();

bool BothSet(const Complex& limits) { return limits.re != InvalidNumber && limits.im != InvalidNumber; }

// ln x, or -infinity for an x without a logarithm (it is then clamped to the range's lower end).
double LogOrLowest(double x) {
  double out = 0.0;
  return LogOf(x, out) ? out : -kInfinity;
}

}  // namespace

Complex GlobalSearchRange(const ModelTables& tables, const FreeParameter& entry, double startValue) {
  switch (entry.kind) {
    case FreeValueKind::ReferenceFrequency:
      return {0.0, kMaxSearchReferenceFrequency};
    case FreeValueKind::DispersionExponent:
      return {kMinDispersionExponent, kMaxSearchExponent};
    case FreeValueKind::Layer:
      break;
  }
  const int p = entry.parameter;
  const Complex& hard = tables.HardLimits[p];
  const Complex& user = tables.UserLimits[p];
  // Raises lo and lowers hi to the user limits when both ends are set, else to the defaults.
  const auto narrow = [&](double lo, double hi, double defaultLo, double defaultHi) {
    if (BothSet(user)) return Complex{std::max(lo, user.re), std::min(hi, user.im)};
    return Complex{std::max(lo, defaultLo), std::min(hi, defaultHi)};
  };
  switch (static_cast<ModelParameter>(p)) {
    case ModelParameter::H:
      // The thickness keeps to its hard range like every value the program generates.
      return {std::max(hard.re, startValue / 2.0), std::min(hard.im, 2.0 * startValue)};
    case ModelParameter::Vp:
      return narrow(startValue / 2.0, 2.0 * startValue, 0.2, 3.0);
    case ModelParameter::Rho:
      return narrow(hard.re, hard.im, 1.0, 3.0);
    case ModelParameter::Qp:
      return narrow(hard.re, hard.im, 5.0, 125.0);
    case ModelParameter::Vs:
    case ModelParameter::Qs:
      break;
  }
  return {0.0, 0.0};
}

Complex GlobalSearchStartRange(const ModelTables& tables, const InversionState& startState,
                               const FreeParameter& entry) {
  const amodel& start = startState.model;
  if (entry.kind == FreeValueKind::ReferenceFrequency)
    return GlobalSearchRange(tables, entry, startState.referenceFrequency);
  if (entry.kind == FreeValueKind::DispersionExponent)
    return GlobalSearchRange(tables, entry, startState.dispersionExponent);
  const int p = entry.parameter, layer = entry.layer;
  Complex range = GlobalSearchRange(tables, entry, start.values[p][layer]);
  // A free Vp (Qp) over a fixed Vs (Qs) keeps the ratio a drawn Vs (Qs) would keep.
  const auto keepAbove = [&](ModelParameter partner, double lowestRatio) {
    const double fixed = start.values[static_cast<int>(partner)][layer];
    range = {std::max(range.re, lowestRatio * fixed), std::min(range.im, 5.0 * fixed)};
  };
  const int vs = static_cast<int>(ModelParameter::Vs), qs = static_cast<int>(ModelParameter::Qs);
  if (p == static_cast<int>(ModelParameter::Vp) && !start.invertFlags[vs][layer]) keepAbove(ModelParameter::Vs, kMinVelocityRatio);
  if (p == static_cast<int>(ModelParameter::Qp) && layer != start.layerCount() - 1 && !start.invertFlags[qs][layer])
    keepAbove(ModelParameter::Qs, 1.0);
  return range;
}

double VfsaDraw(double lo, double hi, double centre, double temperature,
                const std::function<std::uint32_t()>& randomInteger) {
  if (lo == hi) return lo;
  if (lo > hi) return std::fabs(centre - hi) < std::fabs(centre - lo) ? hi : lo;
  if (!(centre >= lo)) centre = lo;  // also a centre that is not a number
  if (centre > hi) centre = hi;
  const double width = hi - lo;
  const double base = 1.0 + 1.0 / temperature;
  for (int tries = 0; tries < kMaxRedraws; ++tries) {
    const double u = static_cast<double>(randomInteger()) / 1e9;
    const double sign = u > 0.5 ? 1.0 : (u < 0.5 ? -1.0 : 0.0);
    const double y = sign * temperature * (std::pow(base, std::fabs(2.0 * u - 1.0)) - 1.0);
    const double x = centre + width * y;
    if (lo <= x && x <= hi) return x;
  }
  return centre;
}

double GlobalSearchMisfit(const arofcomplexM& curve, const spectra::RatioCurve& observed,
                          const FitWeights& bandWeights) {
  double sum = 0.0;
  int counted = 0;
  for (std::size_t i = 0; i < curve.size(); ++i) {
    const double t = curve[i].im;
    if (!(t < kMisfitRatioCeiling)) continue;
    ++counted;
    if (bandWeights[i] == 0.0) continue;
    double lnT = 0.0;
    if (!LogOf(t, lnT)) return kInfinity;
    const double term = bandWeights[i] * (lnT - std::log(observed.points[i].ratio));
    sum += term * term;
  }
  if (counted == 0) return kInfinity;
  return sum / counted;
}

bool AcceptProposal(double misfitIncrease, double temperature) {
  return misfitIncrease <= 0.0 || std::exp(-std::min(misfitIncrease / temperature, 50.0)) > 0.1;
}

namespace {

class GlobalRun {
 public:
  GlobalRun(InversionState& state, const spectra::RatioCurve& observed, const ModelTables& tables,
            const InversionSettings& settings, const CurveEvaluator& evaluate, InversionProgress& progress,
            const std::function<std::uint32_t()>& randomInteger, std::vector<AcceptedModel>* accepted)
      : state_(state),
        observed_(observed),
        tables_(tables),
        settings_(settings),
        evaluate_(evaluate),
        progress_(progress),
        randomInteger_(randomInteger),
        accepted_(accepted),
        n_(observed.points.size()),
        best_(SaveValues(state)) {}

  InversionEnd Execute();
  void RestoreBest() { RestoreValues(state_, best_); }
  const std::string& note() const { return note_; }
  const arofcomplexM& bestCurve() const { return bestCurve_; }
  double bestMisfit() const { return bestMisfit_; }

 private:
  void Evaluate(arofcomplexM& curve) { detail::EvaluateCurve(evaluate_, state_, n_, curve); }
  void Propose();
  double Draw(double lo, double hi, double centre) const {
    return VfsaDraw(lo, hi, centre, temperature_, randomInteger_);
  }
  // A draw in ln of [lo, hi] around ln centre, stored back as a value within [lo, hi].
  double DrawLogarithmic(double lo, double hi, double centre) const {
    const double x = std::exp(Draw(LogOrLowest(lo), LogOrLowest(hi), LogOrLowest(centre)));
    return std::min(hi, std::max(lo, x));
  }
  void ShowBest();

  InversionState& state_;  // the working state
  const spectra::RatioCurve& observed_;
  const ModelTables& tables_;
  const InversionSettings& settings_;
  const CurveEvaluator& evaluate_;
  InversionProgress& progress_;
  const std::function<std::uint32_t()>& randomInteger_;
  std::vector<AcceptedModel>* accepted_;  // null: not recorded
  const std::size_t n_;

  FreeParameterList list_;
  std::vector<Complex> ranges_;  // fixed search ranges, per entry
  FitWeights weights_;
  ValueSet current_, best_;
  arofcomplexM curve_, bestCurve_;
  double temperature_ = 1.0;
  double bestMisfit_ = kInfinity;
  std::string note_;  // why the start was refused
};

void GlobalRun::Propose() {
  const int vp = static_cast<int>(ModelParameter::Vp);
  const int qp = static_cast<int>(ModelParameter::Qp);
  for (std::size_t k = 0; k < list_.size(); ++k) {
    const FreeParameter& entry = list_[k];
    const Complex& range = ranges_[k];
    switch (entry.kind) {
      case FreeValueKind::ReferenceFrequency:
        state_.referenceFrequency = Draw(range.re, range.im, current_.referenceFrequency);
        break;
      case FreeValueKind::DispersionExponent:
        state_.dispersionExponent = DrawLogarithmic(range.re, range.im, current_.dispersionExponent);
        break;
      case FreeValueKind::Layer: {
        const int p = entry.parameter;
        const int layer = entry.layer;
        const double centre = current_.values[p][layer];
        double& value = state_.model.values[p][layer];
        const Complex& hard = tables_.HardLimits[p];
        switch (static_cast<ModelParameter>(p)) {
          case ModelParameter::Vs: {
            const double partner = state_.model.values[vp][layer];
            value = Draw(std::max(partner / 5.0, hard.re), std::min(partner / kMinVelocityRatio, hard.im), centre);
            break;
          }
          case ModelParameter::Qs: {
            const double partner = state_.model.values[qp][layer];
            value = DrawLogarithmic(std::max(partner / 5.0, hard.re), std::min(partner, hard.im), centre);
            break;
          }
          case ModelParameter::Qp:
            value = DrawLogarithmic(range.re, range.im, centre);
            break;
          default:
            value = Draw(range.re, range.im, centre);
            break;
        }
        break;
      }
    }
  }
}

void GlobalRun::ShowBest() {
  RestoreBest();
  Evaluate(curve_);
  progress_.ShowState({state_, curve_});
}

InversionEnd GlobalRun::Execute() {
  if (n_ == 0) return InversionEnd::NothingToFit;
  list_ = BuildFreeParameterList(state_.model, settings_);
  const std::size_t d = list_.size();
  if (d == 0) return InversionEnd::NothingToFit;
  if (settings_.RatioConstraint) {
    note_ = detail::UnphysicalStartMessage(state_.model);
    if (!note_.empty()) return InversionEnd::Failed;
  }
  ranges_.resize(d);
  for (std::size_t k = 0; k < d; ++k) ranges_[k] = GlobalSearchStartRange(tables_, state_, list_[k]);
  weights_ = ComputeBandWeights(observed_, settings_);

  Evaluate(curve_);
  bestCurve_ = curve_;
  double currentMisfit = GlobalSearchMisfit(curve_, observed_, weights_);
  double& bestMisfit = bestMisfit_;
  bestMisfit = currentMisfit;
  current_ = best_ = SaveValues(state_);
  temperature_ = 1.0;

  bool stopped = false;
  for (int level = 1; level <= kAnnealingLevels && !stopped; ++level) {
    for (int proposal = 0; proposal < kProposalsPerLevel; ++proposal) {
      Propose();
      Evaluate(curve_);
      const double misfit = GlobalSearchMisfit(curve_, observed_, weights_);
      if (misfit < bestMisfit) {
        best_ = SaveValues(state_);
        bestCurve_ = curve_;
        bestMisfit = misfit;
      }
      if (AcceptProposal(misfit - currentMisfit, temperature_)) {
        current_ = SaveValues(state_);
        currentMisfit = misfit;
        if (accepted_)
          accepted_->push_back({current_.values, current_.referenceFrequency, current_.dispersionExponent, misfit});
      }
      if (progress_.IsStopRequested()) {
        stopped = true;
        break;
      }
    }
    if (stopped) break;
    // The schedule compounds; with few free values it would reach 0, where the draw has no 1/T.
    temperature_ *= std::exp(-std::pow(static_cast<double>(level), 1.0 / static_cast<double>(d)));
    temperature_ = std::max(temperature_, std::numeric_limits<double>::min());
    progress_.Report(detail::ProgressPercent(level, kAnnealingLevels));
    ShowBest();
  }
  ShowBest();
  return stopped ? InversionEnd::Stopped : InversionEnd::Completed;
}

}  // namespace

InversionOutcome RunGlobalSearch(InversionState& state, const spectra::RatioCurve& observed,
                                 const ModelTables& tables, const InversionSettings& settings,
                                 const CurveEvaluator& evaluate, InversionProgress& progress) {
  InversionOutcome outcome;
  const std::function<std::uint32_t()> random = RandomInteger;
  GlobalRun run(state, observed, tables, settings, evaluate, progress, random, nullptr);
  try {
    outcome.end = run.Execute();
    outcome.message = run.note();
  } catch (const std::exception& fault) {
    outcome.end = InversionEnd::Failed;
    outcome.message = detail::FaultMessage(fault.what());
  }
  run.RestoreBest();
  outcome.theoreticalCurve = run.bestCurve();
  return outcome;
}

GlobalSearchChain RunGlobalSearchChain(const InversionState& start, const spectra::RatioCurve& observed,
                                       const ModelTables& tables, const InversionSettings& settings,
                                       const CurveEvaluator& evaluate, InversionProgress& progress,
                                       const std::function<std::uint32_t()>& randomInteger, bool recordAccepted) {
  GlobalSearchChain chain;
  chain.best = start;
  GlobalRun run(chain.best, observed, tables, settings, evaluate, progress, randomInteger,
                recordAccepted ? &chain.accepted : nullptr);
  try {
    chain.outcome.end = run.Execute();
    chain.outcome.message = run.note();
  } catch (const std::exception& fault) {
    chain.outcome.end = InversionEnd::Failed;
    chain.outcome.message = detail::FaultMessage(fault.what());
  }
  run.RestoreBest();
  chain.outcome.theoreticalCurve = run.bestCurve();
  chain.bestMisfit = run.bestMisfit();
  return chain;
}

}  // namespace corvath::inversion
