#pragma once
// What the two inversions share: the run settings read from the "1D inversion"
// panel, the ordered list of free values, the per-point fit weights, the state a
// run changes, the evaluator of the theoretical curve, and the progress and stop
// interface through which a run reports to whoever started it.
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "inversion/model.h"
#include "numerics/arrays.h"
#include "numerics/settingtable.h"
#include "spectra/curves.h"

namespace corvath::inversion {

//! The run settings, read from the panel when a run starts and fixed for the run.
struct InversionSettings {
  int IterationCount = 100;                 //!< "Iter number" (linearized inversion only)
  double MinFrequency = 1.0;                //!< "Min frq", Hz, lower end of the fit band (included)
  double MaxFrequency = 20.0;               //!< "Max frq", Hz, upper end of the fit band (included)
  bool OptimizeReferenceFrequency = false;  //!< the box beside "Ref frq"
  bool OptimizeDispersionExponent = true;   //!< the box beside "K degree"
  bool RatioConstraint = true;              //!< "Vp/Vs Qp/Qs constraint" (linearized inversion only)
  bool GlobalSearch = false;                //!< "Global search": run the global search instead
  bool operator==(const InversionSettings&) const = default;
};

//! The panel's settings that a session keeps, as rows (the session's keys, the panel's
//! captions, the ranges; see numerics/settingtable.h): "iterNumber" and the boxes.
const numerics::SettingTable<InversionSettings>& InversionSettingTable();

//! The iteration count within the "iterNumber" row's range.
int IterationCountWithin(int count);

//! What kind of value an entry of the free list is.
enum class FreeValueKind { Layer, ReferenceFrequency, DispersionExponent };

//! One free value: a layer value (parameter, layer) or one of the two forward-model values.
struct FreeParameter {
  FreeValueKind kind = FreeValueKind::Layer;
  int parameter = 0;  //!< ModelParameter index; Layer entries only
  int layer = 0;      //!< 0 = top layer; Layer entries only
  bool operator==(const FreeParameter&) const = default;
};

//! The values a run may change, in the order of the Jacobian rows.
using FreeParameterList = std::vector<FreeParameter>;

//! The free values: for H, Vp, Vs, rho, Qp, Qs in turn, every layer from the top whose
//! invert flag is set (never the half-space's H, Qp, Qs); then the reference frequency
//! and the dispersion exponent when they are optimized.
FreeParameterList BuildFreeParameterList(const amodel& model, const InversionSettings& settings);

//! One weight per observed point.
using FitWeights = numerics::arofdoubleM;

//! Weights of the linearized inversion: 0 outside [MinFrequency, MaxFrequency] (Hz);
//! inside, 1/|ln upper - ln lower| when the curve has bounds, else 1. A point whose
//! ratio, bounds or bound spread allow no logarithm gets 0.
FitWeights ComputeFitWeights(const spectra::RatioCurve& observed, const InversionSettings& settings);

//! Weights of the global search: 1 inside [MinFrequency, MaxFrequency] (Hz), else 0;
//! 0 also for a point whose ratio is not positive.
FitWeights ComputeBandWeights(const spectra::RatioCurve& observed, const InversionSettings& settings);

//! What a run changes: the layered model and the two forward-model values.
struct InversionState {
  amodel model;
  double referenceFrequency = 0.0;  //!< "Ref frq", Hz; 0 or less: no velocity dispersion
  double dispersionExponent = 0.1;  //!< "K degree"
  bool operator==(const InversionState&) const = default;
};

//! Computes the theoretical curve of a model at the observed frequencies (bound inside):
//! element k holds (frequency in Hz, theoretical ratio). Throws a std::exception on a
//! floating-point fault and then leaves the curve unchanged.
using CurveEvaluator = std::function<void(const amodel& model, double referenceFrequency,
                                          double dispersionExponent, numerics::arofcomplexM& curve)>;

//! A state to show: the model, its theoretical curve and the two forward-model values.
struct InversionSnapshot {
  InversionState state;
  numerics::arofcomplexM theoreticalCurve;  //!< (frequency in Hz, ratio) of state
};

//! How a run reports. Report and the Show calls come from the thread that runs the
//! inversion; RequestStop may come from any thread.
class InversionProgress {
 public:
  virtual ~InversionProgress() = default;

  //! The completed fraction of the run, an integer percentage 0..100.
  virtual void Report(int percent) = 0;
  //! A state to show: model table, profile, "H/Zc", and the optimized "Ref frq"/"K degree".
  virtual void ShowState(const InversionSnapshot& snapshot) = 0;
  //! Only the theoretical curve of the start model, drawn as "H/Zc" (nothing by default).
  virtual void ShowTheoreticalCurve(const numerics::arofcomplexM& curve) { (void)curve; }
  //! The percentage of every chain of a run of several (nothing by default).
  virtual void ReportChains(const std::vector<int>& percents) { (void)percents; }

  //! Asks the run to stop at its next stop check; safe from any thread.
  void RequestStop() noexcept { stopRequested_.store(true, std::memory_order_relaxed); }
  //! Withdraws a stop request (before a new run starts).
  void ClearStop() noexcept { stopRequested_.store(false, std::memory_order_relaxed); }
  //! True once a stop has been requested; the runs read it only at their stop checks.
  bool IsStopRequested() const noexcept { return stopRequested_.load(std::memory_order_relaxed); }

 private:
  std::atomic<bool> stopRequested_{false};
};

//! How a run ended.
enum class InversionEnd {
  Completed,     //!< every iteration or level ran
  Stopped,       //!< a stop request was honoured at a stop check
  NothingToFit,  //!< no observed point, no free value, or no damping could be formed
  Failed,        //!< the theoretical curve could not be computed, or the start was refused (message says why)
  Halted,        //!< the run could not go on and kept its best state so far (message says why)
};

//! The end of a run. The state passed to the run holds the kept result.
struct InversionOutcome {
  InversionEnd end = InversionEnd::NothingToFit;
  std::string message;                      //!< why, when Failed or Halted, else empty
  numerics::arofcomplexM theoreticalCurve;  //!< the curve of the kept state; empty if none was computed
};

//! The lowest dispersion exponent a run starts from when the exponent is optimized
//! (its logarithm must exist).
inline constexpr double kMinDispersionExponent = 0.001;

}  // namespace corvath::inversion
