#include "cli/frequencylist.h"

#include "cli/options.h"
#include "numerics/numberfield.h"

namespace corvath::cli {

std::vector<double> ParseFrequencyList(const std::string& option, const std::string& text) {
  std::vector<double> frequencies;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    const std::string piece = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    const numerics::Result<double> f = numerics::NumberField(option, piece);
    if (!f.done())
      throw UsageError(option + " expects frequencies in Hz separated by commas, as in 2.5,5 (got '" + text + "')");
    frequencies.push_back(*f);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return frequencies;
}

}  // namespace corvath::cli
