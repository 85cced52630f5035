#include "support/records.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>

namespace corvath::testing {

Resonator::Resonator(double hz, double dt, double radius)
    : c1_(2 * radius * std::cos(2 * std::numbers::pi * hz * dt)), c2_(-radius * radius) {}

double Resonator::operator()(double input) {
  const double a = input + c1_ * a1_ + c2_ * a2_;
  a2_ = a1_, a1_ = a;
  return a;
}

std::vector<ComponentSample> OscillationOverNoise(int count, double dt, double hz, double xAmplitude,
                                                  double yAmplitude, unsigned long long seed) {
  Noise noise(seed);
  std::vector<ComponentSample> samples;
  samples.reserve(static_cast<std::size_t>(std::max(count, 0)));
  for (int i = 0; i < count; ++i) {
    const double t = i * dt;
    const double x = noise() + xAmplitude * std::sin(2 * M_PI * hz * t);
    const double y = noise() + yAmplitude * std::cos(2 * M_PI * hz * t);
    samples.push_back({t, x, y, noise()});
  }
  return samples;
}

std::vector<ComponentSample> ResonantNoise(int count, double dt, double hz, double gain, unsigned long long seed,
                                           const std::function<double(double t)>& loudness) {
  Noise noise(seed);
  const double c1 = 2 * 0.97 * std::cos(2 * M_PI * hz * dt), c2 = -0.97 * 0.97;
  double a1 = 0, a2 = 0, b1 = 0, b2 = 0;
  std::vector<ComponentSample> samples;
  samples.reserve(static_cast<std::size_t>(std::max(count, 0)));
  for (int i = 0; i < count; ++i) {
    const double t = i * dt;
    const double scale = loudness ? loudness(t) : 1.0;
    const double a = noise() + c1 * a1 + c2 * a2, b = noise() + c1 * b1 + c2 * b2;
    const double x = scale * (noise() + gain * (a - a2));
    const double y = scale * (noise() + gain * (b - b2));
    samples.push_back({t, x, y, scale * noise()});
    a2 = a1, a1 = a, b2 = b1, b1 = b;
  }
  return samples;
}

import::ThreeComponentRecord GaussianResonantRecord(std::size_t samples, double dt, double hz, double radius,
                                                    NoiseSeeds seeds) {
  import::ThreeComponentRecord record;
  record.reserve(samples);
  GaussianNoise nx(seeds.x), ny(seeds.y), nz(seeds.z), drive(seeds.drive);
  Resonator rx(hz, dt, radius), ry(hz, dt, radius);
  for (std::size_t i = 0; i < samples; ++i) {
    double a = 0, b = 0;
    if (hz > 0) {
      a = rx(drive());
      b = ry(drive());
    }
    const double t = i * dt;
    record.append(import::Component::X, t, nx() + 0.3 * a);
    record.append(import::Component::Y, t, ny() + 0.3 * b);
    record.append(import::Component::Z, t, nz());
  }
  return record;
}

import::ThreeComponentRecord NoiseWithResonances(double seconds, double xHz, double yHz,
                                                 const std::vector<double>& bursts, double burstGain) {
  const double dt = 0.01;
  const auto n = static_cast<std::size_t>(seconds / dt);
  import::ThreeComponentRecord record;
  record.reserve(n);
  GaussianNoise nx(1), ny(2), nz(3), driveX(4), driveY(5);
  Resonator rx(xHz, dt), ry(yHz, dt);
  for (std::size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) * dt;
    double gain = 1;
    for (double b : bursts)
      if (t >= b && t < b + 0.5) gain = burstGain;
    record.append(import::Component::X, t, gain * (nx() + (xHz > 0 ? 0.3 * rx(driveX()) : 0.0)));
    record.append(import::Component::Y, t, gain * (ny() + (yHz > 0 ? 0.3 * ry(driveY()) : 0.0)));
    record.append(import::Component::Z, t, gain * nz());
  }
  return record;
}

import::ThreeComponentRecord RecordOf(const std::vector<ComponentSample>& samples) {
  import::ThreeComponentRecord record;
  record.reserve(samples.size());
  for (const ComponentSample& s : samples) {
    record.append(import::Component::X, s.t, s.x);
    record.append(import::Component::Y, s.t, s.y);
    record.append(import::Component::Z, s.t, s.z);
  }
  return record;
}

void WriteComponentFiles(const std::filesystem::path& folder, const std::vector<ComponentSample>& samples) {
  const char* names[] = {"x.txt", "y.txt", "z.txt"};
  std::ofstream files[3];
  for (int c = 0; c < 3; ++c) {
    files[c].open(folder / names[c], std::ios::binary);
    files[c] << "station\r\ncomponent " << names[c][0] << "\r\nunits\r\n";
    files[c].precision(17);
  }
  for (const ComponentSample& s : samples) {
    files[0] << s.t << ' ' << s.x << "\r\n";
    files[1] << s.t << ' ' << s.y << "\r\n";
    files[2] << s.t << ' ' << s.z << "\r\n";
  }
}

void WriteThreeHertzRecord(const std::filesystem::path& folder) {
  WriteComponentFiles(folder, OscillationOverNoise(6000, 0.02, 3, 1, 1, 77));
}

}  // namespace corvath::testing
