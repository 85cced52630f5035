#include "app/inversionrun.h"

#include <exception>
#include <new>

#include "inversion/curveevaluator.h"
#include "inversion/globalsearch.h"
#include "inversion/linearizedinversion.h"
#include "inversion/randomgenerator.h"
#include "numerics/numbertext.h"

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
  if (!precondition_.done()) return;
  try {
    numerics::arofcomplexM curve;
    inversion::TheoreticalCurveEvaluator(observed_)(state_.model, state_.referenceFrequency, state_.dispersionExponent,
                                                    curve);
    startMisfit_ = misfitOf(curve);
  } catch (...) {
    startMisfit_.reset();  // the run itself meets the fault and says so
  }
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

std::vector<std::string> UnphysicalLayers(const inversion::amodel& model) {
  using inversion::ModelParameter;
  auto of = [&](ModelParameter p, int layer) { return model.values[static_cast<int>(p)][static_cast<std::size_t>(layer)]; };
  auto text = [](double v) { return numerics::NumberToText(1, v); };
  std::vector<std::string> layers;
  for (int layer = 0; layer < model.layerCount(); ++layer) {
    const std::string name = "layer " + std::to_string(layer + 1) + ": ";
    if (of(ModelParameter::Vs, layer) >= of(ModelParameter::Vp, layer))
      layers.push_back(name + "Vs " + text(of(ModelParameter::Vs, layer)) + " >= Vp " + text(of(ModelParameter::Vp, layer)));
    else if (layer + 1 < model.layerCount() && of(ModelParameter::Qs, layer) > of(ModelParameter::Qp, layer))
      layers.push_back(name + "Qs " + text(of(ModelParameter::Qs, layer)) + " > Qp " + text(of(ModelParameter::Qp, layer)));
  }
  return layers;
}

void SeedRandomGenerator(std::uint64_t seed) { inversion::SeedRandomGenerator(seed); }

}  // namespace corvath::app
