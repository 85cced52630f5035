// Component text read as X, Y and Z (split at the first two 0xFF bytes, when there
// are any); every component must come out in time order.
#include <algorithm>
#include <cstdint>
#include <string_view>

#include "import/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace corvath::import;
  std::string_view parts[3];
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  for (int i = 0; i < 2; ++i) {
    const auto cut = rest.find('\xFF');
    parts[i] = rest.substr(0, cut);
    rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
  }
  parts[2] = rest;
  const ThreeComponentRecord record = ReadComponentTexts(parts[0], parts[1], parts[2]);
  for (Component c : kComponents) {
    const auto& samples = record.samples(c);
    if (!std::is_sorted(samples.begin(), samples.end(),
                        [](const Sample& a, const Sample& b) { return a.time < b.time; }))
      __builtin_trap();
  }
  return 0;
}
