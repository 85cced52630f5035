#include "app/dispersionfile.h"

#include <utility>

#include "app/inputfile.h"

namespace corvath::app {

Result<inversion::DispersionCurve> ReadDispersionFile(const std::string& path) {
  std::ifstream in;
  if (Outcome opened = OpenInputFile(path, in); !opened.done()) return opened;
  inversion::DispersionReading reading = inversion::ReadDispersionTable(in);
  if (!reading.curve) return Outcome::Failed(reading.reason, path);
  return std::move(*reading.curve);
}

}  // namespace corvath::app
