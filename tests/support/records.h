#pragma once
// Made-up three-component records the tests compute on: seeded noise, an oscillation
// over it or noise rung through a resonator, the same samples for the same arguments
// on every machine.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "import/record.h"

namespace corvath::testing {

//! Uniform noise in [-0.5, 0.5), the same sequence for the same seed.
class Noise {
public:
  explicit Noise(unsigned long long seed) : state_(seed) {}
  double operator()() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state_ >> 11) * (1.0 / 9007199254740992.0) - 0.5;
  }

private:
  unsigned long long state_;
};

//! Roughly Gaussian noise (the sum of four uniform draws less 2: mean 0, variance 1/3),
//! the same sequence for the same seed.
class GaussianNoise {
public:
  explicit GaussianNoise(unsigned long long seed) : state_(seed) {}
  double operator()() {
    double sum = 0;
    for (int i = 0; i < 4; ++i) {
      state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
      sum += static_cast<double>(state_ >> 11) * (1.0 / 9007199254740992.0);
    }
    return sum - 2.0;
  }

private:
  unsigned long long state_;
};

//! A two-pole resonator at hz for samples dt apart, its poles at radius from the origin:
//! each input gives the next output a_i = input + 2 r cos(2 pi hz dt) a_{i-1} - r^2 a_{i-2}.
class Resonator {
public:
  Resonator(double hz, double dt, double radius = 0.97);
  double operator()(double input);
  //! The output two samples back.
  double twoBack() const { return a2_; }

private:
  double c1_, c2_, a1_ = 0, a2_ = 0;
};

//! One sample time of a three-component record: time (s) and the X, Y, Z values.
struct ComponentSample {
  double t, x, y, z;
};

//! count samples dt apart of uniform noise (seed) on every component, X with
//! xAmplitude sin(2 pi hz t) added, Y with yAmplitude cos(2 pi hz t).
std::vector<ComponentSample> OscillationOverNoise(int count, double dt, double hz, double xAmplitude,
                                                  double yAmplitude, unsigned long long seed);

//! count samples dt apart of uniform noise (seed) on every component, the horizontals
//! with gain times noise rung through a band-pass at hz (a resonator of radius 0.97,
//! output less the output two back) added; loudness(t), when given, scales all three.
std::vector<ComponentSample> ResonantNoise(int count, double dt, double hz, double gain, unsigned long long seed,
                                           const std::function<double(double t)>& loudness = {});

//! The seeds of GaussianResonantRecord's four noise sequences.
struct NoiseSeeds {
  unsigned long long x, y, z, drive;
};

//! samples dt apart of Gaussian noise on every component; with hz > 0 the horizontals
//! add 0.3 times the drive's noise rung through a resonator at hz of that radius each
//! (the drive gives X's input, then Y's, sample by sample).
import::ThreeComponentRecord GaussianResonantRecord(std::size_t samples, double dt, double hz, double radius,
                                                    NoiseSeeds seeds);

//! seconds at 100 Hz of Gaussian noise on every component (seeds 1, 2, 3); X adds 0.3
//! times noise rung through a resonator at xHz (drive seed 4), Y at yHz (seed 5), none
//! where 0; for 0.5 s from each of bursts (s) all three are burstGain times as loud.
import::ThreeComponentRecord NoiseWithResonances(double seconds, double xHz, double yHz,
                                                 const std::vector<double>& bursts = {}, double burstGain = 20);

//! The samples as a record.
import::ThreeComponentRecord RecordOf(const std::vector<ComponentSample>& samples);

//! Writes the samples as x.txt, y.txt and z.txt in folder (three header lines, then
//! "t value" rows with 17 digits, CR LF).
void WriteComponentFiles(const std::filesystem::path& folder, const std::vector<ComponentSample>& samples);

//! 120 s at 50 Hz in x.txt, y.txt, z.txt of folder: X and Y carry a 3 Hz oscillation
//! above the noise.
void WriteThreeHertzRecord(const std::filesystem::path& folder);

}  // namespace corvath::testing
