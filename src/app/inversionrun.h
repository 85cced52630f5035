#pragma once
// "Start inversion" as a command: the run takes its own copy of the model, the
// tables and the observed curve when it is made, computes on whatever thread calls
// Run (the window uses a worker thread, the batch command its own), and changes the
// workspace only in Apply, on the thread that owns the workspace.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/outcome.h"
#include "app/workspace.h"
#include "inversion/dispersioncurve.h"
#include "inversion/ensemble.h"
#include "inversion/forwardmodelchoice.h"
#include "inversion/inversionsettings.h"
#include "inversion/jointmisfit.h"
#include "inversion/posteriorsampler.h"
#include "inversion/searchchains.h"

namespace corvath::app {

//! The Markov-chain sampler of the models the data allow, run after the global search from
//! its chains' end points, and the dispersion curve fitted with the H/V curve.
struct PosteriorRequest {
  inversion::SamplerSettings sampler;
  //! A dispersion curve to fit as well; it needs phaseVelocities (the modal engine).
  std::optional<inversion::DispersionCurve> dispersion;
  inversion::PhaseVelocityFunction phaseVelocities;
  //! The dispersion part's weight w (0 to 1); none: balanced by the numbers of points.
  std::optional<double> dispersionWeight;
};

//! What a run starts from besides the workspace: the panel's settings and the
//! "Ref frq" (Hz) and "K degree" values, already read from their fields.
struct InversionRequest {
  inversion::InversionSettings settings;
  double referenceFrequencyHz = 0.0;
  double dispersionExponent = 0.1;
  //! Global search: independent chains; chain k draws from seed + k (without a seed the
  //! first from the process-wide generator, the others from the clock).
  int chains = 1;
  std::optional<std::uint64_t> seed;
  int workers = 0;  //!< threads for the chains at most (0: one per core)
  //! The ensemble: accepted models with a misfit up to (1 + tolerance) times the best.
  double ensembleTolerance = inversion::kDefaultEnsembleTolerance;
  //! The forward model fitted (the transfer functions' ratio by default).
  inversion::ForwardModelChoice forward;
  //! Global search: the ensemble sampled by Markov chains; none: the models the chains
  //! accepted within the tolerance.
  std::optional<PosteriorRequest> posterior;
};

//! The Vs spread at one depth.
struct DepthSpread {
  double depthM = 0.0;
  inversion::Spread vsMS;
};

//! What the chains of a global search say beyond their best model.
struct EnsembleSummary {
  double tolerance = 0.0;
  double bestMisfit = 0.0;                     //!< the best misfit of all chains
  std::size_t bestChain = 0;                   //!< the chain that found it (0-based)
  std::vector<double> chainMisfits;            //!< every chain's best misfit, in chain order
  std::vector<inversion::AcceptedModel> models;  //!< in chain order, then order of acceptance
  double profileDepth = 0.0;                   //!< the band reaches this depth (m)
  inversion::ProfileBand profile;              //!< Vs (km/s) percentiles with depth
  inversion::Spread peakFrequency;             //!< f0 of the models' curves (Hz)
  inversion::Spread halfSpaceDepth;            //!< depth to the half-space (m)
  numerics::arofcomplexM curveLower, curveUpper;  //!< 5 and 95 % of the models' curves
  //! Set when the models were sampled by the Markov chains (below: what only they report).
  bool sampled = false;
  std::size_t samplerChains = 0;
  double acceptance = 0.0;                 //!< of the chains' proposals after the burn-in
  inversion::Spread vs30;                  //!< time-averaged Vs of the top 30 m (m/s)
  std::vector<DepthSpread> layerVs;        //!< Vs (m/s) in the middle of each layer of the best model
  inversion::JointMisfit bestParts;        //!< the best model's misfit and its parts
  bool joint = false;                      //!< a dispersion curve took part
};

class InversionRun {
public:
  //! Copies what the run needs from the workspace.
  InversionRun(const Workspace& workspace, const InversionRequest& request);

  //! Unchanged with the reason when there is nothing to run on (no observed curve).
  const Outcome& precondition() const { return precondition_; }

  //! Runs the damped least squares or, with GlobalSearch, the global search to its end
  //! or to a stop request of progress. Failed when the forward model faulted on the start
  //! model or the start was refused; Done with a notice when the run halted early with its
  //! best model (why it could not go on); the kept state is consistent either way.
  Outcome Run(inversion::InversionProgress& progress);

  //! Writes the kept model, "Ref frq", "K degree" and the theoretical curve into the
  //! workspace (nothing when the run had nothing to fit or never ran).
  void Apply(Workspace& workspace) const;

  //! The state the run kept (the start state before Run).
  const inversion::InversionState& state() const { return state_; }
  //! How the run ended (after Run).
  const inversion::InversionOutcome& result() const { return result_; }
  //! The misfit of the kept state as the method measures it (LinearizedMisfit, by which
  //! the damped least squares chose its trials, or GlobalSearchMisfit); nothing before a
  //! curve was computed. May be an infinity (a theoretical ratio of 0 in the band, or a
  //! perfect fit).
  std::optional<double> misfit() const;
  //! The misfit of a curve at the observed frequencies as this run measures it; nothing
  //! when the curve does not match them. Reads only what the run never changes, so it
  //! may be called from any thread while the run goes.
  std::optional<double> misfitOf(const numerics::arofcomplexM& curve) const;
  //! The misfit of the start model (computed when the run is made); nothing when its
  //! curve could not be computed.
  std::optional<double> startMisfit() const { return startMisfit_; }
  //! The ensemble of a global search (after Run); nothing for the damped least squares
  //! or when the run had nothing to fit.
  const std::optional<EnsembleSummary>& ensemble() const { return ensemble_; }
  //! Where the kept result is weak (after Run), one line per kind: layers that make no
  //! physical material, chains that disagree by more than the tolerance, free values at
  //! the lower and at the upper end of their range.
  std::vector<std::string> warnings() const;

private:
  void Summarize(const inversion::ChainsOutcome& chains);
  void Sample(const inversion::ChainsOutcome& chains, inversion::InversionProgress& progress);
  void SummarizeModels(EnsembleSummary& summary);
  inversion::StateFitFunction MakeStateFit(inversion::JointMisfit* parts) const;

  Outcome precondition_;
  inversion::InversionSettings settings_;
  inversion::ModelTables tables_;
  spectra::RatioCurve observed_;
  inversion::InversionState state_;
  inversion::InversionOutcome result_;
  bool ran_ = false;
  std::optional<double> startMisfit_;
  InversionRequest request_;
  inversion::InversionState start_;
  std::optional<EnsembleSummary> ensemble_;
};

//! The layers of a model that make no physical material: Vs not below Vp, or (above
//! the half-space, whose quality factors are no model values) Qs above Qp. One text per
//! layer ("layer 3: Vs 0.99 >= Vp 0.90"); empty when every layer is sound.
std::vector<std::string> UnphysicalLayers(const inversion::amodel& model);

//! The free values of state that lie inside the range they were searched in and within
//! 0.5 % of one of its ends: the global search's ranges (from the start state) or, for
//! the damped least squares, the value limits with the ratio constraint's partners. One
//! line per end, the values grouped by parameter with their limits ("at its upper limit:
//! Vs of layers 2, 5 (0.930, 1.10); K degree (3)").
std::vector<std::string> ValuesAtLimits(const inversion::InversionState& start, const inversion::InversionState& state,
                                        const inversion::ModelTables& tables,
                                        const inversion::InversionSettings& settings);

//! The ensemble in words: "ensemble: 57 models within 1.2 times the best misfit",
//! "f0 Hz: 2.33 (5-95 %: 2.31 to 2.35)", "depth to the half-space m: 50.1 (5-95 %: ...)".
//! A sampled ensemble says "ensemble: 1600 models sampled by 4 Markov chains (acceptance
//! 0.31)" and adds Vs30, Vs in the middle of each layer and, with a dispersion curve, the
//! best model's misfit parts.
std::vector<std::string> EnsembleReportLines(const EnsembleSummary& ensemble);

//! Fixes the seed of the global search's random generator for the runs that follow: the
//! same seed, start and observed curve give the same result. Without it the generator
//! is seeded from the clock.
void SeedRandomGenerator(std::uint64_t seed);

}  // namespace corvath::app
