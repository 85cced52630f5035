// An observed dispersion-curve table through the reader. What it accepts must hold
// positive finite frequencies, phase velocities and sigmas and modes within range.
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>

#include "inversion/dispersioncurve.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace corvath::inversion;
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  const DispersionReading reading = ReadDispersionTable(in);
  if (!reading.curve) {
    if (reading.reason.empty()) __builtin_trap();  // a refusal always says why
    return 0;
  }
  const auto& points = reading.curve->points;
  if (points.empty() || points.size() > kMaxDispersionRows) __builtin_trap();
  for (const DispersionPoint& p : points) {
    for (double v : {p.frequencyHz, p.phaseMS, p.sigmaMS})
      if (!(v > 0.0) || !std::isfinite(v)) __builtin_trap();
    if (p.mode < 0 || p.mode > kMaxDispersionMode) __builtin_trap();
  }
  return 0;
}
