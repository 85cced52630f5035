// SAF files: a header of keyword lines, an end-of-header line holding "####-",
// then one time step per line with the vertical, X and Y values.
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "import/memorylines.h"
#include "import/readers.h"
#include "numerics/numbertext.h"
#include "numerics/textfile.h"

namespace corvath::import {
namespace {

constexpr double kDefaultIntervalSeconds = 0.001;  // 1000 Hz when the header names no frequency

struct SafHeader {
  double intervalSeconds = kDefaultIntervalSeconds;
  bool ended = false;  // the end-of-header line was found
};

// Reads header lines up to and including the first "####-" line. The last
// "samp_freq" line that holds a number sets the sampling interval.
template <class Lines>
SafHeader readHeader(Lines& reader, const std::string& path) {
  SafHeader header;
  std::string_view line;
  std::string lowered;
  numerics::arofdoubleM numbers;
  while (reader.next(line)) {
    lowered.assign(line);
    numerics::LowerAscii(lowered);
    if (lowered.find("samp_freq") != std::string::npos) {
      numerics::SplitNumbersInto(lowered, numbers);
      if (!numbers.empty()) {
        if (numbers.front() == 0.0) throw FormatError("Floating point division by zero", path);
        header.intervalSeconds = 1.0 / numbers.front();
        if (!std::isfinite(header.intervalSeconds)) throw FormatError("Floating point overflow", path);
      }
    }
    if (lowered.find("####-") != std::string::npos) {
      header.ended = true;
      break;
    }
  }
  return header;
}

template <class Lines>
std::optional<ThreeComponentRecord> readSaf(Lines& reader, const std::string& path) {
  const SafHeader header = readHeader(reader, path);
  if (!header.ended) return std::nullopt;

  std::string_view line;
  if (!reader.next(line)) return std::nullopt;  // nothing after the end-of-header line

  // Columns: vertical (Z), X, Y; the k-th accepted line has the time k * dt.
  std::vector<Sample> x, y, z;
  numerics::arofdoubleM numbers;
  long long k = 0;
  do {
    numerics::SplitNumbersInto(line, numbers);
    if (numbers.size() < 3) continue;
    const double t = static_cast<double>(static_cast<long double>(k) * header.intervalSeconds);
    if (!std::isfinite(t)) throw FormatError("Floating point overflow", path);
    z.push_back({t, numbers[0]});
    x.push_back({t, numbers[1]});
    y.push_back({t, numbers[2]});
    ++k;
  } while (reader.next(line));

  return ThreeComponentRecord::FromArrivals(std::move(x), std::move(y), std::move(z));
}

}  // namespace

std::optional<ThreeComponentRecord> ReadSafFile(const std::string& path) {
  numerics::TextLineReader reader(path);
  return readSaf(reader, path);
}

std::optional<ThreeComponentRecord> ReadSafText(std::string_view text, const std::string& name) {
  MemoryLineReader reader(text);
  return readSaf(reader, name);
}

}  // namespace corvath::import
