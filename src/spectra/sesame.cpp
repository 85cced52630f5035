#include "spectra/sesame.h"

#include <algorithm>
#include <cmath>

namespace corvath::spectra {

namespace {

// The guideline's frequency bands: < 0.2, 0.2-0.5, 0.5-1, 1-2, > 2 Hz (each edge
// belongs to the band above it).
int band(double f0Hz) {
  if (f0Hz < 0.2) return 0;
  if (f0Hz < 0.5) return 1;
  if (f0Hz < 1.0) return 2;
  if (f0Hz < 2.0) return 3;
  return 4;
}

std::size_t nearestIndex(std::span<const double> f, double target) {
  std::size_t best = 0;
  for (std::size_t i = 1; i < f.size(); ++i)
    if (std::abs(f[i] - target) < std::abs(f[best] - target)) best = i;
  return best;
}

// Frequency of the largest value of mean * exp(sign sigma) within the search band.
double peakOfShifted(const SesameInput& in, double sign) {
  double bestF = in.f0Hz, bestA = -1.0;
  for (std::size_t i = 0; i < in.frequenciesHz.size(); ++i) {
    const double f = in.frequenciesHz[i];
    if (f < in.searchMinHz || f > in.searchMaxHz) continue;
    const double a = in.mean[i] * std::exp(sign * in.sigmaLn[i]);
    if (a > bestA) bestA = a, bestF = f;
  }
  return bestF;
}

// Smallest mean / A0 over the grid frequencies within [lo, hi]; 1 when none lies there.
double lowestShare(const SesameInput& in, double lo, double hi) {
  double lowest = 1.0;
  if (!(in.a0 > 0.0)) return lowest;
  for (std::size_t i = 0; i < in.frequenciesHz.size(); ++i) {
    const double f = in.frequenciesHz[i];
    if (f >= lo && f <= hi) lowest = std::min(lowest, in.mean[i] / in.a0);
  }
  return lowest;
}

}  // namespace

double SesameFrequencyThreshold(double f0Hz) {
  static constexpr double factor[] = {0.25, 0.20, 0.15, 0.10, 0.05};
  return factor[band(f0Hz)] * f0Hz;
}

double SesameAmplitudeThreshold(double f0Hz) {
  static constexpr double theta[] = {3.0, 2.5, 2.0, 1.78, 1.58};
  return theta[band(f0Hz)];
}

SesameVerdict EvaluateSesame(const SesameInput& in) {
  SesameVerdict verdict;
  auto set = [&](SesameCriterion c, double value, double threshold, bool passed) {
    verdict.checks[static_cast<std::size_t>(c)] = {c, passed, value, threshold};
  };
  const double f0 = in.f0Hz;
  const double lw = in.windowLengthSeconds;

  const double minimumF0 = lw > 0.0 ? 10.0 / lw : 0.0;
  set(SesameCriterion::PeakAboveWindowFrequency, f0, minimumF0, lw > 0.0 && f0 > minimumF0);
  const double cycles = lw * static_cast<double>(in.windowCount) * f0;
  set(SesameCriterion::EnoughCycles, cycles, 200.0, cycles > 200.0);

  double widest = 1.0;
  for (std::size_t i = 0; i < in.frequenciesHz.size(); ++i) {
    const double f = in.frequenciesHz[i];
    if (f > 0.5 * f0 && f < 2.0 * f0) widest = std::max(widest, std::exp(in.sigmaLn[i]));
  }
  const double scatterLimit = f0 < 0.5 ? 3.0 : 2.0;
  set(SesameCriterion::LowScatterAroundPeak, widest, scatterLimit, widest < scatterLimit);

  const double below = lowestShare(in, f0 / 4.0, f0);
  set(SesameCriterion::FallBelow, below, 0.5, below < 0.5);
  const double above = lowestShare(in, f0, 4.0 * f0);
  set(SesameCriterion::FallAbove, above, 0.5, above < 0.5);
  set(SesameCriterion::AmplitudeAboveTwo, in.a0, 2.0, in.a0 > 2.0);

  double shift = 0.0;
  if (f0 > 0.0 && !in.frequenciesHz.empty())
    shift = std::max(std::abs(peakOfShifted(in, 1.0) - f0), std::abs(peakOfShifted(in, -1.0) - f0)) / f0;
  set(SesameCriterion::StablePeak, shift, 0.05, shift <= 0.05);

  const double epsilon = SesameFrequencyThreshold(f0);
  set(SesameCriterion::LowFrequencyScatter, in.sigmaF0Hz, epsilon, in.sigmaF0Hz < epsilon);
  const double sigmaAtPeak =
      in.frequenciesHz.empty() ? 1.0 : std::exp(in.sigmaLn[nearestIndex(in.frequenciesHz, f0)]);
  const double theta = SesameAmplitudeThreshold(f0);
  set(SesameCriterion::LowAmplitudeScatter, sigmaAtPeak, theta, sigmaAtPeak < theta);

  for (std::size_t c = 0; c < kSesameCriterionCount; ++c)
    if (verdict.checks[c].passed) ++(c < 3 ? verdict.reliabilityPassed : verdict.clarityPassed);
  return verdict;
}

const char* SesameCriterionKey(SesameCriterion criterion) {
  static constexpr const char* keys[] = {"reliability_1", "reliability_2", "reliability_3",
                                         "clarity_1",     "clarity_2",     "clarity_3",
                                         "clarity_4",     "clarity_5",     "clarity_6"};
  return keys[static_cast<std::size_t>(criterion)];
}

const char* SesameCriterionText(SesameCriterion criterion) {
  static constexpr const char* texts[] = {
      "f0 > 10 / lw (Hz)",
      "nc = lw nw f0 > 200",
      "sigma_A(f) < 2 (3 below 0.5 Hz) over 0.5 f0 to 2 f0 (largest sigma_A)",
      "A(f) < A0/2 in [f0/4, f0] (lowest A/A0)",
      "A(f) < A0/2 in [f0, 4 f0] (lowest A/A0)",
      "A0 > 2",
      "peaks of A x/ sigma_A within 5 % of f0 (largest shift / f0)",
      "sigma_f < epsilon(f0) (Hz)",
      "sigma_A(f0) < theta(f0)",
  };
  return texts[static_cast<std::size_t>(criterion)];
}

}  // namespace corvath::spectra
