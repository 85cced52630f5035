#include <string_view>

#include "import/readers.h"
#include "numerics/numbertext.h"
#include "numerics/textfile.h"

namespace corvath::import {
namespace {

// Three header lines, then one sample per line holding exactly two numbers.
void readComponentFile(const std::string& path, ThreeComponentRecord& record, Component c) {
  numerics::TextLineReader reader(path);
  std::string_view line;
  for (int header = 0; header < 3; ++header)
    if (!reader.next(line)) return;
  numerics::arofdoubleM numbers;
  while (reader.next(line)) {
    numerics::SplitNumbersInto(line, numbers);
    if (numbers.size() == 2) record.append(c, numbers[0], numbers[1]);
  }
}

}  // namespace

ThreeComponentRecord ReadComponentFiles(const std::string& xPath, const std::string& yPath,
                                        const std::string& zPath) {
  ThreeComponentRecord record;
  readComponentFile(xPath, record, Component::X);
  readComponentFile(yPath, record, Component::Y);
  readComponentFile(zPath, record, Component::Z);
  return record;
}

}  // namespace corvath::import
