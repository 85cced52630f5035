#include <string_view>
#include <vector>

#include "import/memorylines.h"
#include "import/readers.h"
#include "numerics/numbertext.h"
#include "numerics/textfile.h"

namespace corvath::import {
namespace {

// Three header lines, then one sample per line holding exactly two numbers
// (time in s, amplitude); every other line is skipped. Samples in file order.
template <class Lines>
std::vector<Sample> readComponent(Lines& reader) {
  std::vector<Sample> samples;
  std::string_view line;
  for (int header = 0; header < 3; ++header)
    if (!reader.next(line)) return samples;
  numerics::arofdoubleM numbers;
  while (reader.next(line)) {
    numerics::SplitNumbersInto(line, numbers);
    if (numbers.size() == 2) samples.push_back({numbers[0], numbers[1]});
  }
  return samples;
}

std::vector<Sample> readComponentFile(const std::string& path) {
  numerics::TextLineReader reader(path);
  return readComponent(reader);
}

std::vector<Sample> readComponentText(std::string_view text) {
  MemoryLineReader reader(text);
  return readComponent(reader);
}

}  // namespace

ThreeComponentRecord ReadComponentFiles(const std::string& xPath, const std::string& yPath,
                                        const std::string& zPath) {
  // Every file is read before the record is built, so a failure leaves nothing half-loaded.
  std::vector<Sample> x = readComponentFile(xPath);
  std::vector<Sample> y = readComponentFile(yPath);
  std::vector<Sample> z = readComponentFile(zPath);
  return ThreeComponentRecord::FromArrivals(std::move(x), std::move(y), std::move(z));
}

ThreeComponentRecord ReadComponentTexts(std::string_view x, std::string_view y, std::string_view z) {
  return ThreeComponentRecord::FromArrivals(readComponentText(x), readComponentText(y), readComponentText(z));
}

}  // namespace corvath::import
