#include "inversion/posteriorsampler.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <mutex>
#include <string>
#include <thread>

#include "inversion/randomgenerator.h"
#include "inversion/runsupport.h"
#include "inversion/searchchains.h"

namespace corvath::inversion {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr int kVp = static_cast<int>(ModelParameter::Vp);
constexpr int kVs = static_cast<int>(ModelParameter::Vs);
constexpr int kQp = static_cast<int>(ModelParameter::Qp);
constexpr int kQs = static_cast<int>(ModelParameter::Qs);
constexpr double kTargetAcceptance = 0.44;  // of a one-value random walk (Gelman et al. 1996)
constexpr int kAdaptEvery = 20;             // proposals of a value between step-size changes
constexpr double kStartStep = 0.1;          // of the box width
constexpr double kMinStep = 1e-4, kMaxStep = 0.5;

bool BothSet(const numerics::Complex& limits) {
  return limits.re != numerics::InvalidNumber && limits.im != numerics::InvalidNumber && limits.re <= limits.im;
}

double PoissonOf(double vp, double vs) {
  const double a = vp * vp, b = vs * vs;
  return a > b ? (a - 2.0 * b) / (2.0 * (a - b)) : 0.0;
}

double VpOf(double vs, double nu) { return vs * std::sqrt((2.0 - 2.0 * nu) / (1.0 - 2.0 * nu)); }

// The sampler's coordinates of one chain: per free value its box and current value; the Vp
// entry of a Poisson layer holds Poisson's ratio.
class Chain {
 public:
  Chain(const InversionState& start, const ModelTables& tables, const InversionSettings& settings,
        const SamplerSettings& sampler, std::uint64_t seed)
      : state_(start), tables_(tables), generator_(seed) {
    list_ = BuildFreeParameterList(start.model, settings);
    box_ = PosteriorBox(start, tables, list_);
    const int layers = start.model.layerCount();
    poisson_.assign(static_cast<std::size_t>(layers), std::nullopt);
    for (std::size_t l = 0; l < poisson_.size() && l < sampler.poissonRanges.size(); ++l)
      poisson_[l] = sampler.poissonRanges[l];
    ProjectStart();
    x_.resize(list_.size());
    for (std::size_t k = 0; k < list_.size(); ++k) {
      const FreeParameter& e = list_[k];
      double v = Value(e);
      if (IsPoissonEntry(e)) {
        box_[k] = *poisson_[static_cast<std::size_t>(e.layer)];
        v = PoissonOf(state_.model.values[kVp][e.layer], state_.model.values[kVs][e.layer]);
      }
      x_[k] = std::clamp(v, box_[k].re, box_[k].im);
    }
    step_.assign(list_.size(), kStartStep);
    Apply(x_);
  }

  std::size_t size() const { return list_.size(); }
  const InversionState& state() const { return state_; }

  // One Metropolis-Hastings step on value k; true when accepted.
  bool Step(std::size_t k, const StateFitFunction& fit, StateFit& current, bool adapt) {
    const numerics::Complex& box = box_[k];
    const double width = box.im - box.re;
    if (!(width > 0.0)) return false;
    std::vector<double> proposal = x_;
    double u = (x_[k] - box.re) / width + step_[k] * Normal();
    u = std::fmod(std::fabs(u), 2.0);  // reflected at both ends: a symmetric proposal
    if (u > 1.0) u = 2.0 - u;
    proposal[k] = box.re + u * width;
    const ValueSnapshot kept = Save();
    Apply(proposal);
    bool accepted = false;
    if (Feasible()) {
      StateFit next{kInfinity, kInfinity};
      try {
        next = fit(state_);
      } catch (const std::exception& fault) {
        fault_ = fault.what();  // a model the forward computation cannot take: rejected
      }
      const double rise = next.chiSquare - current.chiSquare;
      accepted = !(next.chiSquare == kInfinity && current.chiSquare != kInfinity) &&
                 (!(rise > 0.0) || Uniform() < std::exp(-0.5 * rise));
      if (accepted) {
        x_ = std::move(proposal);
        current = next;
      }
    }
    if (!accepted) Restore(kept);
    if (adapt) {
      ++tries_[k];
      accepts_[k] += accepted ? 1 : 0;
      if (tries_[k] == kAdaptEvery) {
        const double rate = static_cast<double>(accepts_[k]) / kAdaptEvery;
        step_[k] = std::clamp(step_[k] * (rate > kTargetAcceptance ? 1.3 : 0.77), kMinStep, kMaxStep);
        tries_[k] = accepts_[k] = 0;
      }
    }
    return accepted;
  }

  //! The message of the last fault of the fit, empty when none.
  const std::string& fault() const { return fault_; }

  void StartAdapting() {
    tries_.assign(list_.size(), 0);
    accepts_.assign(list_.size(), 0);
  }

  // Vp >= sqrt(2) Vs and Qs <= Qp wherever a free value takes part.
  bool Feasible() const {
    const amodel& m = state_.model;
    for (int l = 0; l < m.layerCount(); ++l) {
      const bool velocities = m.invertFlags[kVp][l] || m.invertFlags[kVs][l];
      if (velocities && m.values[kVp][l] * m.values[kVp][l] < 2.0 * m.values[kVs][l] * m.values[kVs][l] * (1.0 - 1e-12))
        return false;
      const bool damping = l + 1 < m.layerCount() && (m.invertFlags[kQp][l] || m.invertFlags[kQs][l]);
      if (damping && m.values[kQs][l] > m.values[kQp][l]) return false;
      const numerics::Complex vpHard = tables_.HardLimits[kVp];
      if (poisson_[static_cast<std::size_t>(l)] &&
          !(m.values[kVp][l] >= vpHard.re && m.values[kVp][l] <= vpHard.im))
        return false;
    }
    return true;
  }

 private:
  struct ValueSnapshot {
    PerParameter<numerics::arofdoubleM> values;
    double referenceFrequency, dispersionExponent;
  };
  ValueSnapshot Save() const { return {state_.model.values, state_.referenceFrequency, state_.dispersionExponent}; }
  void Restore(const ValueSnapshot& s) {
    state_.model.values = s.values;
    state_.referenceFrequency = s.referenceFrequency;
    state_.dispersionExponent = s.dispersionExponent;
  }

  bool IsPoissonEntry(const FreeParameter& e) const {
    return e.kind == FreeValueKind::Layer && e.parameter == kVp && poisson_[static_cast<std::size_t>(e.layer)];
  }

  double Value(const FreeParameter& e) const {
    switch (e.kind) {
      case FreeValueKind::ReferenceFrequency: return state_.referenceFrequency;
      case FreeValueKind::DispersionExponent: return state_.dispersionExponent;
      case FreeValueKind::Layer: break;
    }
    return state_.model.values[e.parameter][e.layer];
  }

  // Writes the coordinates into the state; Vp of a Poisson layer follows its Vs and ratio.
  void Apply(const std::vector<double>& x) {
    std::vector<std::optional<double>> nu(poisson_.size());
    for (std::size_t l = 0; l < poisson_.size(); ++l)
      if (poisson_[l]) nu[l] = 0.5 * (poisson_[l]->re + poisson_[l]->im);
    for (std::size_t k = 0; k < list_.size(); ++k) {
      const FreeParameter& e = list_[k];
      if (IsPoissonEntry(e)) {
        nu[static_cast<std::size_t>(e.layer)] = x[k];
        continue;
      }
      switch (e.kind) {
        case FreeValueKind::ReferenceFrequency: state_.referenceFrequency = x[k]; break;
        case FreeValueKind::DispersionExponent: state_.dispersionExponent = x[k]; break;
        case FreeValueKind::Layer: state_.model.values[e.parameter][e.layer] = x[k]; break;
      }
    }
    for (std::size_t l = 0; l < poisson_.size(); ++l)
      if (poisson_[l]) state_.model.values[kVp][l] = VpOf(state_.model.values[kVs][l], *nu[l]);
  }

  // Moves a start that breaks Vp >= sqrt(2) Vs into the box where it can: Vs down, else Vp up.
  void ProjectStart() {
    amodel& m = state_.model;
    for (std::size_t k = 0; k < list_.size(); ++k) {
      const FreeParameter& e = list_[k];
      if (e.kind == FreeValueKind::Layer)
        m.values[e.parameter][e.layer] = std::clamp(m.values[e.parameter][e.layer], box_[k].re, box_[k].im);
    }
    for (int l = 0; l < m.layerCount(); ++l) {
      if (poisson_[static_cast<std::size_t>(l)]) continue;
      double& vp = m.values[kVp][l];
      double& vs = m.values[kVs][l];
      if (vp * vp >= 2.0 * vs * vs) continue;
      if (m.invertFlags[kVs][l]) vs = std::max(vp / std::sqrt(2.0), tables_.HardLimits[kVs].re);
      if (vp * vp < 2.0 * vs * vs && m.invertFlags[kVp][l]) vp = std::min(std::sqrt(2.0) * vs, tables_.HardLimits[kVp].im);
    }
  }

  double Uniform() { return (static_cast<double>(generator_.Next()) + 0.5) / (kRandomIntegerMax + 1.0); }
  double Normal() {  // Box-Muller
    const double r = std::sqrt(-2.0 * std::log(Uniform()));
    return r * std::cos(2.0 * 3.14159265358979323846 * Uniform());
  }

  InversionState state_;
  const ModelTables& tables_;
  RandomGenerator generator_;
  FreeParameterList list_;
  std::vector<numerics::Complex> box_;
  std::vector<std::optional<numerics::Complex>> poisson_;
  std::vector<double> x_, step_;
  std::vector<int> tries_, accepts_;
  std::string fault_;
};

struct ChainResult {
  std::vector<AcceptedModel> models;
  InversionState best;
  StateFit bestFit{kInfinity, kInfinity};
  long long proposals = 0, accepted = 0;
  bool stopped = false;
  std::string fault;
};

}  // namespace

numerics::arofdoubleM LogRatioSigmas(const spectra::RatioCurve& observed, const InversionSettings& settings) {
  const FitWeights band = ComputeBandWeights(observed, settings);
  numerics::arofdoubleM sigmas(observed.points.size(), 0.0);
  for (std::size_t i = 0; i < sigmas.size(); ++i) {
    if (band[i] == 0.0) continue;
    double s = kDefaultLogRatioSigma;
    const spectra::RatioPoint& p = observed.points[i];
    double lo = 0.0, hi = 0.0;
    if (observed.hasBounds && detail::LogOf(p.lower, lo) && detail::LogOf(p.upper, hi) && hi > lo)
      s = std::max(0.5 * (hi - lo), kMinLogRatioSigma);
    sigmas[i] = s;
  }
  return sigmas;
}

double LogRatioChiSquare(const numerics::arofcomplexM& curve, const spectra::RatioCurve& observed,
                         const numerics::arofdoubleM& sigmas) {
  double sum = 0.0;
  for (std::size_t i = 0; i < curve.size() && i < sigmas.size(); ++i) {
    const double t = curve[i].im;
    if (sigmas[i] == 0.0 || !(t < kMisfitRatioCeiling)) continue;
    double lnT = 0.0;
    if (!detail::LogOf(t, lnT)) return kInfinity;
    const double r = (lnT - std::log(observed.points[i].ratio)) / sigmas[i];
    sum += r * r;
  }
  return sum;
}

std::vector<numerics::Complex> PosteriorBox(const InversionState& start, const ModelTables& tables,
                                            const FreeParameterList& list) {
  std::vector<numerics::Complex> box;
  for (const FreeParameter& e : list) {
    if (e.kind != FreeValueKind::Layer) {
      box.push_back(GlobalSearchRange(tables, e, 0.0));
      continue;
    }
    const numerics::Complex limits = start.model.layerLimits[e.parameter][e.layer];
    const numerics::Complex hard = tables.HardLimits[e.parameter];
    if (BothSet(limits)) {
      box.push_back({std::max(limits.re, hard.re), std::min(limits.im, hard.im)});
    } else if (e.parameter == kVs || e.parameter == kQs) {
      box.push_back(hard);
    } else {
      box.push_back(GlobalSearchRange(tables, e, start.model.values[e.parameter][e.layer]));
    }
  }
  return box;
}

PosteriorOutcome SamplePosterior(const std::vector<InversionState>& starts, const ModelTables& tables,
                                 const InversionSettings& settings, const StateFitFactory& makeFit,
                                 const SamplerSettings& sampler, std::uint64_t seed, InversionProgress& progress) {
  const std::size_t count = starts.size();
  std::vector<ChainResult> results(count);
  std::vector<std::exception_ptr> faults(count);
  std::vector<int> percents(count, 0);
  std::mutex mutex;
  const long long total = std::max(1, sampler.burnIn + sampler.steps);
  // A start whose chi2 lies more than the number of free values above the best start's sits in a
  // mode of negligible posterior weight (e^(-d/2) or less), which a random walk would not leave:
  // its chain starts from the best start instead.
  std::vector<std::size_t> from(count);
  std::vector<StateFit> startFits(count, StateFit{kInfinity, kInfinity});
  {
    const StateFitFunction fit = makeFit();
    std::size_t best = 0;
    for (std::size_t c = 0; c < count; ++c) {
      const Chain chain(starts[c], tables, settings, sampler, seed + c);
      try {
        if (chain.Feasible()) startFits[c] = fit(chain.state());
      } catch (const std::exception&) {
        // a start the fit cannot take: its chain starts from the best start
      }
      if (startFits[c].chiSquare < startFits[best].chiSquare) best = c;
    }
    const double d = count ? static_cast<double>(Chain(starts[0], tables, settings, sampler, seed).size()) : 0.0;
    for (std::size_t c = 0; c < count; ++c)
      from[c] = startFits[c].chiSquare <= startFits[best].chiSquare + std::max(d, 2.0) ? c : best;
  }
  const auto runChain = [&](std::size_t c) {
    ChainResult& out = results[c];
    const StateFitFunction fit = makeFit();
    Chain chain(starts[from[c]], tables, settings, sampler, seed + c);
    StateFit current = startFits[from[c]];
    out.best = chain.state();
    out.bestFit = current;
    const std::size_t d = chain.size();
    if (d == 0) return;
    chain.StartAdapting();
    for (long long step = 0; step < total; ++step) {
      if (progress.IsStopRequested()) {
        out.stopped = true;
        break;
      }
      const bool burning = step < sampler.burnIn;
      const bool accepted = chain.Step(static_cast<std::size_t>(step) % d, fit, current, burning);
      if (!burning) {
        ++out.proposals;
        out.accepted += accepted ? 1 : 0;
        if ((step - sampler.burnIn) % std::max(1, sampler.thinning) == 0 && current.chiSquare < kInfinity) {
          const InversionState& s = chain.state();
          out.models.push_back({s.model.values, s.referenceFrequency, s.dispersionExponent, current.misfit});
        }
      }
      if (accepted && current.misfit < out.bestFit.misfit) {
        out.best = chain.state();
        out.bestFit = current;
      }
      out.fault = chain.fault();
      if ((step + 1) % 50 == 0 || step + 1 == total) {
        const std::lock_guard lock(mutex);
        percents[c] = detail::ProgressPercent(step + 1, total);
        long long sum = 0;
        for (int p : percents) sum += p;
        progress.Report(detail::ProgressPercent(sum, 100LL * static_cast<long long>(count)));
      }
    }
  };

  std::size_t next = 0;
  std::mutex nextMutex;
  const auto work = [&] {
    for (;;) {
      std::size_t c;
      {
        const std::lock_guard lock(nextMutex);
        if (next >= count) return;
        c = next++;
      }
      try {
        runChain(c);
      } catch (...) {
        faults[c] = std::current_exception();
      }
    }
  };
  const int workers = ChainWorkers(sampler.workers, static_cast<int>(count));
  std::vector<std::thread> threads;
  for (int w = 1; w < workers; ++w) {
    try {
      threads.emplace_back(work);
    } catch (const std::exception&) {
      break;
    }
  }
  work();
  for (std::thread& thread : threads) thread.join();

  PosteriorOutcome outcome;
  outcome.bestFit = {kInfinity, kInfinity};
  long long proposals = 0, accepted = 0;
  bool haveBest = false;
  for (std::size_t c = 0; c < count; ++c) {
    if (faults[c] && outcome.end != InversionEnd::Failed) {
      outcome.end = InversionEnd::Failed;
      try {
        std::rethrow_exception(faults[c]);
      } catch (const std::exception& fault) {
        outcome.message = detail::FaultMessage(fault.what());
      } catch (...) {
        outcome.message = "the fit of a model could not be computed";
      }
      continue;
    }
    ChainResult& r = results[c];
    if (r.stopped && outcome.end == InversionEnd::Completed) outcome.end = InversionEnd::Stopped;
    if (!haveBest || r.bestFit.misfit < outcome.bestFit.misfit) {
      haveBest = true;
      outcome.best = r.best;
      outcome.bestFit = r.bestFit;
    }
    proposals += r.proposals;
    accepted += r.accepted;
    outcome.models.insert(outcome.models.end(), std::make_move_iterator(r.models.begin()),
                          std::make_move_iterator(r.models.end()));
  }
  if (count == 0) outcome.end = InversionEnd::NothingToFit;
  // Faulting models are rejected; only when no chain kept anything is the fault the answer.
  if (outcome.models.empty() && outcome.end == InversionEnd::Completed)
    for (const ChainResult& r : results)
      if (!r.fault.empty()) {
        outcome.end = InversionEnd::Failed;
        outcome.message = detail::FaultMessage(r.fault.c_str());
        break;
      }
  outcome.acceptance = proposals > 0 ? static_cast<double>(accepted) / static_cast<double>(proposals) : 0.0;
  return outcome;
}

}  // namespace corvath::inversion
