#include "surfacewaves/modes.h"

#include <algorithm>
#include <boost/math/tools/minima.hpp>
#include <boost/math/tools/toms748_solve.hpp>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>

#include "numerics/parallel.h"
#include "surfacewaves/secularfunction.h"

namespace corvath::surfacewaves {
namespace {

constexpr double kPhaseStep = 0.15;       // largest advance of the vertical phase per scan step, in units of π
constexpr int kCoarseSteps = 30;          // the scan's largest step: this fraction of its range
constexpr double kSmallestStep = 1e-7;    // the scan's smallest step, relative to its range
constexpr double kDerivativeStep = 1e-6;  // relative step of the derivatives by central differences
constexpr std::uintmax_t kMaxIterations = 200;

std::string FrequencyText(double frequencyHz) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", frequencyHz);
  return text;
}

//! The secular function of one wave type at (k, ω).
double Secular(Wave wave, const LayeredMedium& medium, double k, double omega) {
  return wave == Wave::Rayleigh ? RayleighSurfaceMinors(medium, k, omega).m34
                                : LoveSurfaceVector(medium, k, omega).traction;
}

//! The scan of one wave type at one angular frequency.
class Scan {
public:
  Scan(const LayeredMedium& medium, Wave wave, double omega) : medium_(medium), wave_(wave), omega_(omega) {
    double slowest = medium.front().vsMPerS;
    for (const Layer& layer : medium) slowest = std::min(slowest, layer.vsMPerS);
    high_ = medium.back().vsMPerS * (1.0 - 1e-10);
    // No Rayleigh wave is slower than 0.87 times the slowest S wave of the medium.
    low_ = wave == Wave::Rayleigh ? 0.85 * slowest : slowest;
    for (std::size_t i = 0; i + 1 < medium.size(); ++i) {
      if (wave == Wave::Rayleigh) speeds_.push_back(medium[i].vpMPerS);
      speeds_.push_back(medium[i].vsMPerS);
    }
    std::sort(speeds_.begin(), speeds_.end());
  }

  double low() const { return low_; }
  double high() const { return high_; }

  double value(double c) const { return Secular(wave_, medium_, omega_ / c, omega_); }

  //! The next scan point above c.
  double next(double c) const {
    const double range = high_ - low_;
    double rate = 0.0;  // d(vertical phase / π)/dc
    for (std::size_t i = 0; i + 1 < medium_.size(); ++i) {
      const Layer& layer = medium_[i];
      auto add = [&](double v) {
        if (c < v) return;
        const double slowness2 = 1.0 / (v * v) - 1.0 / (c * c);
        rate += slowness2 > 0.0 ? layer.thicknessM / (c * c * c) / std::sqrt(slowness2)
                                : std::numeric_limits<double>::infinity();
      };
      add(layer.vsMPerS);
      if (wave_ == Wave::Rayleigh) add(layer.vpMPerS);
    }
    rate *= omega_ / std::numbers::pi;
    double step = range / kCoarseSteps;
    if (rate > 0.0) step = std::min(step, kPhaseStep / rate);
    step = std::max(step, range * kSmallestStep);
    double to = std::min(c + step, high_);
    // Stop at each layer's wave speed, where the phase starts to advance.
    auto speed = std::upper_bound(speeds_.begin(), speeds_.end(), c);
    if (speed != speeds_.end() && *speed < to) to = *speed;
    return to;
  }

private:
  const LayeredMedium& medium_;
  Wave wave_;
  double omega_;
  double low_ = 0.0;
  double high_ = 0.0;
  std::vector<double> speeds_;
};

Mode Describe(const LayeredMedium& medium, Wave wave, double c, double omega, bool fundamental) {
  const double k = omega / c;
  const double limit = medium.back().vsMPerS;
  // Central differences; near the cut-off the step keeps c below the half-space's S wave.
  double relative = kDerivativeStep;
  relative = std::min(relative, 0.3 * (limit - c) / limit);
  const double dk = k * relative;
  const double dw = omega * relative;
  const double fk = (Secular(wave, medium, k + dk, omega) - Secular(wave, medium, k - dk, omega)) / (2.0 * dk);
  const double fw = (Secular(wave, medium, k, omega + dw) - Secular(wave, medium, k, omega - dw)) / (2.0 * dw);
  Mode mode;
  mode.phaseVelocityMPerS = c;
  mode.groupVelocityMPerS = -fk / fw;
  // The residue of the surface response at the pole, Hankel-transformed: Im G at r = 0
  // is k·Res/2 for the vertical and k·Res/4 for the azimuth-averaged horizontal.
  if (wave == Wave::Rayleigh) {
    const RayleighMinors m = RayleighSurfaceMinors(medium, k, omega);
    mode.imG33 = 0.5 * k * std::abs(m.m23 / fk);
    mode.imG11 = 0.25 * k * std::abs(m.m14 / fk);
    if (fundamental) mode.ellipticity = -m.m13 / m.m23;
  } else {
    const LoveVector v = LoveSurfaceVector(medium, k, omega);
    mode.imG11 = 0.25 * k * std::abs(v.displacement / fk);
  }
  return mode;
}

std::vector<Mode> ModesOfWave(const LayeredMedium& medium, Wave wave, double frequencyHz, int count) {
  std::vector<Mode> modes;
  if (count <= 0) return modes;
  const double omega = 2.0 * std::numbers::pi * frequencyHz;
  const Scan scan(medium, wave, omega);
  auto fail = [&]() {
    return SurfaceWaveError(std::string(WaveName(wave)) + " mode " + std::to_string(modes.size()) + " at " +
                            FrequencyText(frequencyHz) + " Hz: the root of the secular function was not found");
  };
  auto refine = [&](double a, double b, double fa, double fb) {
    std::uintmax_t iterations = kMaxIterations;
    double root = std::nan("");
    try {
      const auto bracket = boost::math::tools::toms748_solve([&](double c) { return scan.value(c); }, a, b, fa, fb,
                                                             boost::math::tools::eps_tolerance<double>(36), iterations);
      root = 0.5 * (bracket.first + bracket.second);
    } catch (const std::exception&) {
      iterations = kMaxIterations;
    }
    if (iterations >= kMaxIterations || !std::isfinite(root)) throw fail();
    return root;
  };
  auto add = [&](double c) {
    if (static_cast<int>(modes.size()) < count)
      modes.push_back(Describe(medium, wave, c, omega, wave == Wave::Rayleigh && modes.empty()));
  };
  // The last three scan points: a, b and the newest. Where |F| has a local minimum
  // at b without a sign change, two modes may approach each other closely enough to
  // lie between two scan points: the minimum is sought, and when F changes sign
  // there, both roots are kept.
  double ca = std::nan(""), fa = std::nan("");
  double cb = scan.low();
  double fb = scan.value(cb);
  while (cb < scan.high() && static_cast<int>(modes.size()) < count) {
    const double c1 = scan.next(cb);
    const double f1 = scan.value(c1);
    if (f1 == 0.0) {
      add(c1);
    } else if (fb != 0.0 && (fb < 0.0) != (f1 < 0.0)) {
      add(refine(cb, c1, fb, f1));
    } else if (std::isfinite(fa) && (fa < 0.0) == (fb < 0.0) && std::abs(fb) < std::abs(fa) &&
               std::abs(fb) < std::abs(f1)) {
      const double sign = fb < 0.0 ? -1.0 : 1.0;
      boost::uintmax_t iterations = kMaxIterations;
      const auto lowest = boost::math::tools::brent_find_minima(
          [&](double c) { return sign * scan.value(c); }, ca, c1, 30, iterations);
      if (lowest.second < 0.0) {
        const double fm = sign * lowest.second;
        add(refine(ca, lowest.first, fa, fm));
        add(refine(lowest.first, c1, fm, f1));
      }
    }
    ca = cb;
    fa = fb;
    cb = c1;
    fb = f1;
  }
  return modes;
}

}  // namespace

const char* WaveName(Wave wave) { return wave == Wave::Rayleigh ? "rayleigh" : "love"; }

std::vector<FrequencyModes> FindModes(const LayeredMedium& medium, std::span<const double> frequenciesHz,
                                      const ModeRequest& request) {
  CheckMedium(medium);
  for (double f : frequenciesHz)
    if (!(f > 0.0) || !std::isfinite(f))
      throw SurfaceWaveError("Frequency " + FrequencyText(f) + " Hz is not a positive number");
  std::vector<FrequencyModes> result(frequenciesHz.size());
  numerics::ParallelFor(frequenciesHz.size(), request.workers, [&](std::size_t i) {
    FrequencyModes& at = result[i];
    at.frequencyHz = frequenciesHz[i];
    at.rayleigh = ModesOfWave(medium, Wave::Rayleigh, at.frequencyHz, request.rayleighModes);
    at.love = ModesOfWave(medium, Wave::Love, at.frequencyHz, request.loveModes);
  });
  return result;
}

}  // namespace corvath::surfacewaves
