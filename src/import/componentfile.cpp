#include <array>
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
  SampleCollector samples;
  std::string_view line;
  for (int header = 0; header < 3; ++header)
    if (!reader.next(line)) return {};
  numerics::arofdoubleM numbers;
  LineCountEstimate estimate;
  std::size_t accepted = 0;
  while (reader.next(line)) {
    if (estimate.count(line.size())) samples.expect(estimate.expectedSamples(accepted, reader.bytesLeft()));
    numerics::SplitNumbersInto(line, numbers);
    if (numbers.size() == 2) {
      samples.push(numbers[0], numbers[1]);
      ++accepted;
    }
  }
  return samples.take();
}

std::vector<Sample> readComponentFile(const std::string& path, numerics::Progress* progress) {
  numerics::TextLineReader reader(path, progress);
  return readComponent(reader);
}

std::vector<Sample> readComponentText(std::string_view text, const char* name) {
  MemoryLineReader reader(text, name);
  return readComponent(reader);
}

}  // namespace

ThreeComponentRecord ReadComponentFiles(const std::string& xPath, const std::string& yPath,
                                        const std::string& zPath, ReadControl* control) {
  // Every file is read before the record is built, so a failure leaves nothing
  // half-loaded. The files are independent: each is read whole by one thread, and
  // the error reported is that of the first failing file in X, Y, Z order.
  const std::array<const std::string*, 3> paths{&xPath, &yPath, &zPath};
  std::array<std::vector<Sample>, 3> samples;
  numerics::Progress* progress = control ? control->progress : nullptr;
  numerics::ParallelFor(3, numerics::WorkerCount(control ? control->workers : 0),
                        [&](std::size_t c) { samples[c] = readComponentFile(*paths[c], progress); });
  return ThreeComponentRecord::FromArrivals(std::move(samples[0]), std::move(samples[1]), std::move(samples[2]));
}

ThreeComponentRecord ReadComponentTexts(std::string_view x, std::string_view y, std::string_view z) {
  return ThreeComponentRecord::FromArrivals(readComponentText(x, "X"), readComponentText(y, "Y"),
                                            readComponentText(z, "Z"));
}

}  // namespace corvath::import
