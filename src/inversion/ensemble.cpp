#include "inversion/ensemble.h"

#include <algorithm>
#include <cmath>

namespace corvath::inversion {

namespace {

constexpr int kH = static_cast<int>(ModelParameter::H);
constexpr int kVs = static_cast<int>(ModelParameter::Vs);

}  // namespace

std::vector<AcceptedModel> SelectEnsemble(const std::vector<GlobalSearchChain>& chains, std::size_t bestChain,
                                          double tolerance) {
  std::vector<AcceptedModel> ensemble;
  if (bestChain >= chains.size()) return ensemble;
  const GlobalSearchChain& best = chains[bestChain];
  const double limit = (1.0 + tolerance) * best.bestMisfit;
  // The best state is an accepted proposal unless no proposal beat the start: the start
  // then leads its chain's models.
  bool bestAccepted = false;
  for (const AcceptedModel& model : best.accepted)
    bestAccepted = bestAccepted || (model.misfit == best.bestMisfit && model.values == best.best.model.values);
  for (std::size_t k = 0; k < chains.size(); ++k) {
    if (k == bestChain && !bestAccepted)
      ensemble.push_back({best.best.model.values, best.best.referenceFrequency, best.best.dispersionExponent,
                          best.bestMisfit});
    for (const AcceptedModel& model : chains[k].accepted)
      if (model.misfit <= limit) ensemble.push_back(model);
  }
  return ensemble;
}

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  const double position = std::clamp(p, 0.0, 1.0) * static_cast<double>(values.size() - 1);
  const std::size_t below = static_cast<std::size_t>(std::floor(position));
  const std::size_t above = std::min(below + 1, values.size() - 1);
  const double fraction = position - static_cast<double>(below);
  return values[below] + fraction * (values[above] - values[below]);
}

double DepthToHalfSpace(const PerParameter<numerics::arofdoubleM>& values) {
  const numerics::arofdoubleM& H = values[kH];
  double depth = 0.0;
  for (std::size_t i = 0; i + 1 < H.size(); ++i) depth += H[i];
  return depth;
}

double ShearVelocityAt(const PerParameter<numerics::arofdoubleM>& values, double depth) {
  const numerics::arofdoubleM& H = values[kH];
  const numerics::arofdoubleM& Vs = values[kVs];
  if (Vs.empty()) return 0.0;
  double top = 0.0;
  for (std::size_t i = 0; i + 1 < Vs.size() && i < H.size(); ++i) {
    top += H[i];
    if (depth < top) return Vs[i];
  }
  return Vs.back();
}

ProfileBand VsProfileBand(const std::vector<AcceptedModel>& ensemble, double maxDepth) {
  ProfileBand band;
  std::vector<double> at(ensemble.size());
  for (int k = 0; k < kProfileDepths; ++k) {
    const double depth = maxDepth * k / (kProfileDepths - 1);
    for (std::size_t m = 0; m < ensemble.size(); ++m) at[m] = ShearVelocityAt(ensemble[m].values, depth);
    band.depth.push_back(depth);
    band.p05.push_back(Percentile(at, 0.05));
    band.p50.push_back(Percentile(at, 0.50));
    band.p95.push_back(Percentile(at, 0.95));
  }
  return band;
}

Spread SpreadOf(const std::vector<double>& values) {
  return {Percentile(values, 0.05), Percentile(values, 0.50), Percentile(values, 0.95)};
}

double PeakFrequency(const numerics::arofcomplexM& curve) {
  double frequency = 0.0, highest = -1.0;
  for (const numerics::Complex& point : curve)
    if (point.im > highest) {
      highest = point.im;
      frequency = point.re;
    }
  return frequency;
}

void CurveBand(const std::vector<numerics::arofcomplexM>& curves, numerics::arofcomplexM& lower,
               numerics::arofcomplexM& upper) {
  lower.clear();
  upper.clear();
  if (curves.empty()) return;
  const std::size_t points = curves.front().size();
  std::vector<double> at;
  for (std::size_t j = 0; j < points; ++j) {
    at.clear();
    for (const numerics::arofcomplexM& curve : curves)
      if (curve.size() == points) at.push_back(curve[j].im);
    const double frequency = curves.front()[j].re;
    lower.push_back({frequency, Percentile(at, 0.05)});
    upper.push_back({frequency, Percentile(at, 0.95)});
  }
}

}  // namespace corvath::inversion
