#include "spectra/windowrejection.h"

#include <algorithm>
#include <cmath>

namespace corvath::spectra {

double Lognormal::median() const { return std::exp(meanLn); }
double Lognormal::lower() const { return std::exp(meanLn - sigmaLn); }
double Lognormal::upper() const { return std::exp(meanLn + sigmaLn); }

namespace {
bool inUse(const std::vector<bool>& use, std::size_t i) { return use.empty() || use[i]; }

template <typename Transform>
void meanAndSigma(std::span<const double> values, const std::vector<bool>& use, Transform t, double& mean,
                  double& sigma) {
  double sum = 0.0;
  std::size_t n = 0;
  for (std::size_t i = 0; i < values.size(); ++i)
    if (inUse(use, i)) sum += t(values[i]), ++n;
  mean = n > 0 ? sum / static_cast<double>(n) : 0.0;
  double squares = 0.0;
  for (std::size_t i = 0; i < values.size(); ++i)
    if (inUse(use, i)) squares += (t(values[i]) - mean) * (t(values[i]) - mean);
  sigma = n > 1 ? std::sqrt(squares / static_cast<double>(n - 1)) : 0.0;
}
}  // namespace

Lognormal LognormalOf(std::span<const double> values, const std::vector<bool>& use) {
  for (std::size_t i = 0; i < values.size(); ++i)
    if (inUse(use, i) && !(values[i] > 0.0)) return {};
  Lognormal result;
  meanAndSigma(values, use, [](double v) { return std::log(v); }, result.meanLn, result.sigmaLn);
  return result;
}

double StandardDeviationOf(std::span<const double> values, const std::vector<bool>& use) {
  double mean = 0.0, sigma = 0.0;
  meanAndSigma(values, use, [](double v) { return v; }, mean, sigma);
  return sigma;
}

RejectionOutcome RejectOutlyingPeaks(std::span<const double> f0, double nStd, int maxIterations) {
  RejectionOutcome out;
  out.accepted.assign(f0.size(), true);
  for (std::size_t i = 0; i < f0.size(); ++i)
    if (!(f0[i] > 0.0)) out.accepted[i] = false;
  auto count = [&] { return static_cast<std::size_t>(std::count(out.accepted.begin(), out.accepted.end(), true)); };
  auto relativeChange = [](double before, double after) {
    if (before == after) return 0.0;
    return std::abs(after - before) / std::max(std::abs(before), std::abs(after));
  };
  Lognormal stats = LognormalOf(f0, out.accepted);
  while (out.iterations < maxIterations && count() > 2) {
    ++out.iterations;
    std::vector<bool> next = out.accepted;
    for (std::size_t i = 0; i < f0.size(); ++i)
      if (next[i] && std::abs(std::log(f0[i]) - stats.meanLn) > nStd * stats.sigmaLn) next[i] = false;
    if (std::count(next.begin(), next.end(), true) < 2) break;  // keep the last two
    const Lognormal after = LognormalOf(f0, next);
    out.accepted = std::move(next);
    const bool settled = relativeChange(stats.median(), after.median()) < 0.01 &&
                         relativeChange(stats.sigmaLn, after.sigmaLn) < 0.01;
    stats = after;
    if (settled) {
      out.converged = true;
      break;
    }
  }
  if (!out.converged && out.iterations < maxIterations) out.converged = true;  // nothing left to drop
  return out;
}

}  // namespace corvath::spectra
