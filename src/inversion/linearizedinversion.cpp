#include "inversion/linearizedinversion.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <string>

#include "inversion/runsupport.h"
#include "numerics/svd.h"

namespace corvath::inversion {

using detail::LogOf;
using detail::RestoreValues;
using detail::SaveValues;
using detail::ValueSet;
using numerics::arofcomplexM;
using numerics::arofdoubleM;
using numerics::ararofdoubleM;
using numerics::Complex;
using numerics::InvalidNumber;

arofdoubleM ObservedLogarithms(const spectra::RatioCurve& observed, const FitWeights& weights) {
  arofdoubleM logs(observed.points.size(), 0.0);
  for (std::size_t i = 0; i < logs.size() && i < weights.size(); ++i)
    if (weights[i] != 0.0) logs[i] = std::log(observed.points[i].ratio);
  return logs;
}

double LinearizedMisfit(const arofcomplexM& curve, const arofdoubleM& logObserved, const FitWeights& weights) {
  double sum = 0.0;
  for (std::size_t i = 0; i < curve.size() && i < weights.size() && i < logObserved.size(); ++i) {
    if (weights[i] == 0.0) continue;
    const double t = curve[i].im;
    double lnT = 0.0;
    if (LogOf(t, lnT)) {
      const double term = weights[i] * (logObserved[i] - lnT);
      sum += term * term;
    } else if (t == 0.0 || t == std::numeric_limits<double>::infinity()) {
      sum = std::numeric_limits<double>::infinity();
    } else {
      return kUndefinedMisfit;
    }
  }
  if (sum == 0.0) return -std::numeric_limits<double>::infinity();
  const double m = std::log(sum);
  return std::isnan(m) ? kUndefinedMisfit : m;
}

int LinearizedProgressSteps(int iterationCount, int freeCount) {
  return iterationCount * (freeCount + 6) + 1;
}

Complex LinearizedRange(const ModelTables& tables, const PerParameter<arofdoubleM>& partners, int parameter,
                        int layer, bool ratioConstraint) {
  double lo = tables.HardLimits[parameter].re;
  double hi = tables.HardLimits[parameter].im;
  const Complex& user = tables.UserLimits[parameter];
  if (user.re != InvalidNumber) lo = std::max(lo, user.re);
  if (user.im != InvalidNumber) hi = std::min(hi, user.im);
  if (!ratioConstraint) return {lo, hi};
  const bool halfSpace = layer == static_cast<int>(partners[0].size()) - 1;
  const auto partner = [&](ModelParameter p) { return partners[static_cast<int>(p)][layer]; };
  switch (static_cast<ModelParameter>(parameter)) {
    case ModelParameter::Vp:
      lo = std::max(lo, kMinVelocityRatio * partner(ModelParameter::Vs));
      hi = std::min(hi, 5.0 * partner(ModelParameter::Vs));
      break;
    case ModelParameter::Vs:
      lo = std::max(lo, partner(ModelParameter::Vp) / 5.0);
      hi = std::min(hi, partner(ModelParameter::Vp) / kMinVelocityRatio);
      break;
    case ModelParameter::Qp:
      if (halfSpace) break;
      lo = std::max(lo, partner(ModelParameter::Qs));
      hi = std::min(hi, 5.0 * partner(ModelParameter::Qs));
      break;
    case ModelParameter::Qs:
      if (halfSpace) break;
      lo = std::max(lo, partner(ModelParameter::Qp) / 5.0);
      hi = std::min(hi, partner(ModelParameter::Qp));
      break;
    default:
      break;
  }
  return {lo, hi};
}

namespace {

constexpr double kNoMisfit = 1e30;       // best misfit before the first trial
constexpr double kLayerStepFactor = 1.1;  // v1 = v0 / 1.1 in the central difference
constexpr double kReferenceStep = 0.01;   // forward difference of the reference frequency, Hz
constexpr double kExponentStep = 0.01;    // half the central difference of the exponent

// Shrinks a layer value's step scale after it crossed a bound: (1 + 2 rho) / 3 with rho
// the fraction of the step inside the range. rho is kept in [0, 1]: a saved value outside
// its range (or a zero step) would otherwise give a factor above 1 or divide by zero.
double ShrunkScale(double scale, double bound, double x0, double x1) {
  double rho = 1.0;
  const double step = std::fabs(x1 - x0);
  if (step > 0.0) rho = std::min(1.0, std::fabs(std::log(bound) - x0) / step);
  return scale * (1.0 + 2.0 * rho) / 3.0;
}

class LinearizedRun {
 public:
  LinearizedRun(InversionState& state, const spectra::RatioCurve& observed, const ModelTables& tables,
                const InversionSettings& settings, const CurveEvaluator& evaluate, InversionProgress& progress)
      : state_(state),
        observed_(observed),
        tables_(tables),
        settings_(settings),
        evaluate_(evaluate),
        progress_(progress),
        n_(observed.points.size()),
        saved_(SaveValues(state)) {}

  InversionEnd Execute();
  // Back to the state of the start of the current iteration (after a stop or a fault).
  void RestoreSaved() { RestoreValues(state_, saved_); }
  const arofcomplexM& currentCurve() const { return current_; }
  // Why the run failed before it began, or halted.
  const std::string& note() const { return note_; }

 private:
  void Evaluate(arofcomplexM& curve) { detail::EvaluateCurve(evaluate_, state_, n_, curve); }
  void Step() { progress_.Report(detail::ProgressPercent(++done_, steps_)); }
  bool JacobianRow(const FreeParameter& entry, arofdoubleM& row);
  bool ApplyStep(std::size_t k, double d, double& scale) const;
  double Misfit(const arofcomplexM& curve) const;
  // The trial of damping lambda from the saved state; its misfit (+infinity when its curve faults).
  double Trial(double lambda, const ararofdoubleM& normal, const arofdoubleM& gradient, arofcomplexM& curve);

  InversionState& state_;
  const spectra::RatioCurve& observed_;
  const ModelTables& tables_;
  const InversionSettings& settings_;
  const CurveEvaluator& evaluate_;
  InversionProgress& progress_;
  const std::size_t n_;

  FreeParameterList list_;
  FitWeights weights_;
  arofdoubleM logObserved_;  // y'_i = ln y_i (0 where the weight is 0)
  arofdoubleM logCurrent_;   // t_i = ln T_i of the current curve
  arofdoubleM currentValid_; // 1 where t_i exists
  ValueSet saved_;           // state at the start of the iteration
  arofcomplexM current_;     // theoretical curve of the saved state
  arofcomplexM curve1_, curve2_;
  arofdoubleM scales_;       // step scales of the trial
  ararofdoubleM a_;          // damped normal matrix of the trial
  arofdoubleM b_;
  std::string note_;
  long long done_ = 0;
  long long steps_ = 1;
};

// One row of the weighted Jacobian. Returns false when a stop was requested at the
// check after the row (the value is back at its saved value).
bool LinearizedRun::JacobianRow(const FreeParameter& entry, arofdoubleM& row) {
  row.assign(n_, 0.0);
  // J_i = w_i * scale * (ln T2_i - ln T1_i) / delta, or from T1 and t_i alone.
  const auto fill = [&](double scale, double delta, bool againstCurrent) {
    for (std::size_t i = 0; i < n_; ++i) {
      if (weights_[i] == 0.0) continue;
      double ln1 = 0.0, ln2 = 0.0;
      if (!LogOf(curve1_[i].im, ln1)) continue;
      if (againstCurrent) {
        if (currentValid_[i] == 0.0) continue;
        row[i] = weights_[i] * (ln1 - logCurrent_[i]) / delta;
      } else {
        if (!LogOf(curve2_[i].im, ln2)) continue;
        row[i] = weights_[i] * scale * (ln2 - ln1) / delta;
      }
    }
  };
  switch (entry.kind) {
    case FreeValueKind::Layer: {
      double& value = state_.model.values[entry.parameter][entry.layer];
      const double v0 = value;
      const double v1 = v0 / kLayerStepFactor;
      value = v1;
      Evaluate(curve1_);
      const double v2 = 2.0 * v0 - v1;
      value = v2;
      Evaluate(curve2_);
      value = v0;
      Step();
      if (progress_.IsStopRequested()) return false;
      fill(v0, v2 - v1, false);
      break;
    }
    case FreeValueKind::ReferenceFrequency: {
      const double f0 = state_.referenceFrequency;
      state_.referenceFrequency = f0 + kReferenceStep;
      Evaluate(curve1_);
      state_.referenceFrequency = f0;
      Step();
      if (progress_.IsStopRequested()) return false;
      fill(1.0, kReferenceStep, true);
      break;
    }
    case FreeValueKind::DispersionExponent: {
      const double a0 = state_.dispersionExponent;
      state_.dispersionExponent = a0 - kExponentStep;
      Evaluate(curve1_);
      state_.dispersionExponent = a0 + kExponentStep;
      Evaluate(curve2_);
      state_.dispersionExponent = a0;
      Step();
      if (progress_.IsStopRequested()) return false;
      fill(a0, 2.0 * kExponentStep, false);
      break;
    }
  }
  return true;
}

// Applies the step d of entry k to the (restored) state; returns true when the entry
// met a bound, after shrinking its step scale.
bool LinearizedRun::ApplyStep(std::size_t k, double d, double& scale) const {
  const FreeParameter& entry = list_[k];
  switch (entry.kind) {
    case FreeValueKind::Layer: {
      const double v0 = saved_.values[entry.parameter][entry.layer];
      const double x0 = std::log(v0);
      const double x1 = x0 + d;
      double v = std::exp(x1);
      // Vp and Qp come first in the list: Vs and Qs keep below the values just stepped.
      const bool follower = entry.parameter == static_cast<int>(ModelParameter::Vs) ||
                            entry.parameter == static_cast<int>(ModelParameter::Qs);
      const Complex range = LinearizedRange(tables_, follower ? state_.model.values : saved_.values, entry.parameter,
                                            entry.layer, settings_.RatioConstraint);
      bool met = false;
      if (v < range.re) {
        met = true;
        scale = ShrunkScale(scale, range.re, x0, x1);
      } else if (v > range.im) {
        met = true;
        scale = ShrunkScale(scale, range.im, x0, x1);
      }
      v = std::min(range.im, std::max(range.re, v));
      state_.model.values[entry.parameter][entry.layer] = v;
      return met;
    }
    case FreeValueKind::ReferenceFrequency: {
      double f = saved_.referenceFrequency + d;
      const bool met = f < 0.0 || f > kMaxReferenceFrequency;
      if (met) scale /= 3.0;
      f = std::min(kMaxReferenceFrequency, std::max(0.0, f));
      state_.referenceFrequency = f;
      return met;
    }
    case FreeValueKind::DispersionExponent: {
      const double a0 = saved_.dispersionExponent;
      double a = a0 > 0.0 ? std::exp(std::log(a0) + d) : 0.0;
      const bool met = a < 0.0 || a > kMaxDispersionExponent;
      if (met) scale /= 3.0;
      a = std::min(kMaxDispersionExponent, std::max(0.0, a));
      state_.dispersionExponent = a;
      return met;
    }
  }
  return false;
}

double LinearizedRun::Misfit(const arofcomplexM& curve) const {
  return LinearizedMisfit(curve, logObserved_, weights_);
}

double LinearizedRun::Trial(double lambda, const ararofdoubleM& normal, const arofdoubleM& gradient,
                            arofcomplexM& curve) {
  const std::size_t s = list_.size();
  std::fill(scales_.begin(), scales_.end(), 1.0);
  for (int attempt = 1; attempt <= kBoundAttempts; ++attempt) {
    for (std::size_t k = 0; k < s; ++k) {
      for (std::size_t l = 0; l < s; ++l) a_[k][l] = scales_[k] * normal[k][l] * scales_[l];
      a_[k][k] += 2.0 * lambda;
      b_[k] = scales_[k] * gradient[k];
    }
    RestoreSaved();
    const arofdoubleM y = numerics::SvdSolve(a_, b_, kLinearizedSvdTolerance);
    bool met = false;
    for (std::size_t k = 0; k < s; ++k) {
      const double d = scales_[k] * y[k];
      if (ApplyStep(k, d, scales_[k])) met = true;
    }
    if (!met) break;
  }
  try {
    Evaluate(curve);
  } catch (const std::exception&) {
    return std::numeric_limits<double>::infinity();  // a step the forward model cannot follow
  }
  return Misfit(curve);
}

// A trial may be taken when its misfit is a number, finite (or a perfect fit) and not
// above the misfit the iteration started from.
bool MayTake(double misfit, double startMisfit) {
  if (std::isnan(misfit) || misfit == std::numeric_limits<double>::infinity() || misfit == kUndefinedMisfit)
    return false;
  return misfit <= startMisfit;
}

InversionEnd LinearizedRun::Execute() {
  if (n_ == 0) return InversionEnd::NothingToFit;
  list_ = BuildFreeParameterList(state_.model, settings_);
  const std::size_t s = list_.size();
  if (s == 0) return InversionEnd::NothingToFit;
  if (settings_.RatioConstraint) {
    note_ = detail::UnphysicalStartMessage(state_.model);
    if (!note_.empty()) return InversionEnd::Failed;
  }
  // The exponent is adjusted in ln a: a value of 0 or below has no logarithm.
  if (settings_.OptimizeDispersionExponent && !(state_.dispersionExponent > 0.0)) {
    state_.dispersionExponent = kMinDispersionExponent;
    saved_ = SaveValues(state_);
  }
  const int iterations = IterationCountWithin(settings_.IterationCount);
  steps_ = LinearizedProgressSteps(iterations, static_cast<int>(s));
  done_ = 0;
  progress_.Report(detail::ProgressPercent(done_, steps_));

  Evaluate(current_);
  progress_.ShowTheoreticalCurve(current_);
  Step();

  weights_ = ComputeFitWeights(observed_, settings_);
  logObserved_ = ObservedLogarithms(observed_, weights_);
  double currentMisfit = Misfit(current_);

  ararofdoubleM jacobian(s);
  ararofdoubleM normal(s, arofdoubleM(s, 0.0));
  arofdoubleM gradient(s, 0.0), residual(n_, 0.0);
  scales_.assign(s, 1.0);
  a_.assign(s, arofdoubleM(s, 0.0));
  b_.assign(s, 0.0);
  arofcomplexM trialCurve;
  const auto halt = [&](int iteration, const std::string& why) {
    note_ = "stopped in iteration " + std::to_string(iteration + 1) + " of " + std::to_string(iterations) + ": " +
            why + "; the best model so far is kept";
    return InversionEnd::Halted;
  };

  for (int iteration = 0; iteration < iterations; ++iteration) {
    // Residual of the current curve.
    logCurrent_.assign(n_, 0.0);
    currentValid_.assign(n_, 0.0);
    for (std::size_t i = 0; i < n_; ++i) {
      residual[i] = 0.0;
      if (!LogOf(current_[i].im, logCurrent_[i])) continue;
      currentValid_[i] = 1.0;
      if (weights_[i] != 0.0) residual[i] = weights_[i] * (logObserved_[i] - logCurrent_[i]);
    }

    for (std::size_t k = 0; k < s; ++k) {
      try {
        if (!JacobianRow(list_[k], jacobian[k])) return InversionEnd::Stopped;
      } catch (const std::exception& fault) {
        return halt(iteration, "the forward model fails next to the model reached (" +
                                   detail::FaultMessage(fault.what()) + ")");
      }
    }

    for (std::size_t k = 0; k < s; ++k) {
      for (std::size_t l = 0; l < s; ++l) {
        double sum = 0.0;
        for (std::size_t i = 0; i < n_; ++i) sum += jacobian[k][i] * jacobian[l][i];
        normal[k][l] = sum;
      }
      double sum = 0.0;
      for (std::size_t i = 0; i < n_; ++i) sum += jacobian[k][i] * residual[i];
      gradient[k] = sum;
    }

    double logSum = 0.0;
    int positive = 0;
    for (std::size_t k = 0; k < s; ++k) {
      if (normal[k][k] > 0.0) {
        logSum += std::log(normal[k][k]);
        ++positive;
      }
    }
    if (positive == 0) return InversionEnd::NothingToFit;  // no damping can be formed
    double lambda = std::exp(logSum / positive) / 100.0;

    double bestMisfit = kNoMisfit;
    ValueSet best;
    bool haveBest = false;
    for (int trial = 0; trial < kDampingTrials; ++trial) {
      const double m = Trial(lambda, normal, gradient, trialCurve);
      Step();
      if (m < bestMisfit) {
        bestMisfit = m;
        best = SaveValues(state_);
        haveBest = true;
      }
      lambda *= 10.0;
    }
    // None of the five may be taken: shorter steps, by a damping that keeps rising.
    for (int extra = 0; extra < kExtraDampingTrials && !(haveBest && MayTake(bestMisfit, currentMisfit)); ++extra) {
      const double m = Trial(lambda, normal, gradient, trialCurve);
      if (MayTake(m, currentMisfit)) {
        bestMisfit = m;
        best = SaveValues(state_);
        haveBest = true;
      }
      lambda *= 10.0;
    }
    if (!(haveBest && MayTake(bestMisfit, currentMisfit))) {
      RestoreSaved();
      return halt(iteration, "no step keeps the misfit from rising");
    }

    RestoreValues(state_, best);
    try {
      Evaluate(current_);
    } catch (const std::exception& fault) {
      RestoreSaved();
      return halt(iteration, "the forward model fails next to the model reached (" +
                                 detail::FaultMessage(fault.what()) + ")");
    }
    Step();
    currentMisfit = Misfit(current_);
    saved_ = SaveValues(state_);
    progress_.ShowState({state_, current_});
  }
  return InversionEnd::Completed;
}

}  // namespace

InversionOutcome RunLinearizedInversion(InversionState& state, const spectra::RatioCurve& observed,
                                        const ModelTables& tables, const InversionSettings& settings,
                                        const CurveEvaluator& evaluate, InversionProgress& progress) {
  InversionOutcome outcome;
  LinearizedRun run(state, observed, tables, settings, evaluate, progress);
  try {
    outcome.end = run.Execute();
    outcome.message = run.note();
  } catch (const std::exception& fault) {
    outcome.end = InversionEnd::Failed;
    outcome.message = detail::FaultMessage(fault.what());
  }
  if (outcome.end != InversionEnd::Completed) run.RestoreSaved();
  outcome.theoreticalCurve = run.currentCurve();
  return outcome;
}

}  // namespace corvath::inversion
