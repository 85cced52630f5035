#include "app/inversionrun.h"

#include <exception>
#include <new>

#include "inversion/curveevaluator.h"
#include "inversion/globalsearch.h"
#include "inversion/linearizedinversion.h"
#include "inversion/randomgenerator.h"

namespace corvath::app {

InversionRun::InversionRun(const Workspace& workspace, const InversionRequest& request)
    : settings_(request.settings), tables_(workspace.modelTables) {
  state_.model = workspace.model;
  state_.referenceFrequency = request.referenceFrequencyHz;
  state_.dispersionExponent = request.dispersionExponent;
  if (workspace.spectraResult && !workspace.spectraResult->ratio.points.empty())
    observed_ = workspace.spectraResult->ratio;
  else
    precondition_ = Outcome::Unchanged("there is no observed H/Z curve to fit: calculate the spectra first");
}

Outcome InversionRun::Run(inversion::InversionProgress& progress) {
  if (!precondition_.done()) return precondition_;
  ran_ = true;
  try {
    const inversion::CurveEvaluator evaluate = inversion::TheoreticalCurveEvaluator(observed_);
    result_ = settings_.GlobalSearch
                  ? inversion::RunGlobalSearch(state_, observed_, tables_, settings_, evaluate, progress)
                  : inversion::RunLinearizedInversion(state_, observed_, tables_, settings_, evaluate, progress);
  } catch (...) {
    const Outcome fault = OutcomeOfException(std::current_exception(), "Not enough memory for the inversion");
    result_ = {inversion::InversionEnd::Failed, fault.message, {}};
  }
  switch (result_.end) {
    case inversion::InversionEnd::Completed:
    case inversion::InversionEnd::Stopped: return Outcome::Done();
    case inversion::InversionEnd::NothingToFit:
      return Outcome::Unchanged("nothing to fit: no free value, or no observed point in the band");
    case inversion::InversionEnd::Failed: break;
  }
  return Outcome::Failed(result_.message);
}

void InversionRun::Apply(Workspace& workspace) const {
  if (!ran_ || result_.end == inversion::InversionEnd::NothingToFit) return;
  workspace.model = state_.model;
  workspace.referenceFrequency = state_.referenceFrequency;
  workspace.dispersionExponent = state_.dispersionExponent;
  if (!result_.theoreticalCurve.empty()) workspace.theoreticalCurve = result_.theoreticalCurve;
}

std::optional<double> InversionRun::misfit() const {
  const numerics::arofcomplexM& curve = result_.theoreticalCurve;
  if (curve.empty() || curve.size() != observed_.points.size()) return std::nullopt;
  if (settings_.GlobalSearch)
    return inversion::GlobalSearchMisfit(curve, observed_, inversion::ComputeBandWeights(observed_, settings_));
  // The very measure by which the run chose among its trials.
  const inversion::FitWeights weights = inversion::ComputeFitWeights(observed_, settings_);
  return inversion::LinearizedMisfit(curve, inversion::ObservedLogarithms(observed_, weights), weights);
}

void SeedRandomGenerator(std::uint64_t seed) { inversion::SeedRandomGenerator(seed); }

}  // namespace corvath::app
