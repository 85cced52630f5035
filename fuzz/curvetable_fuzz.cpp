// An observed-curve file (a results table, a bounds table or a ".hv" file) through
// the reader. What it accepts must be finite, increasing in frequency and, with
// bounds, ordered lower <= ratio <= upper for a .hv file.
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>

#include "spectra/ratiotable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace corvath::spectra;
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  const RatioTableReading reading = ReadRatioTable(in);
  if (!reading.result) {
    if (reading.reason.empty()) __builtin_trap();  // a refusal always says why
    return 0;
  }
  const auto& points = reading.result->ratio.points;
  if (points.empty()) __builtin_trap();
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (!(points[i].frequencyHz > 0.0) || !std::isfinite(points[i].frequencyHz)) __builtin_trap();
    if (i && !(points[i].frequencyHz > points[i - 1].frequencyHz)) __builtin_trap();
  }
  if (!reading.result->ratio.peak || *reading.result->ratio.peak >= points.size()) __builtin_trap();
  return 0;
}
