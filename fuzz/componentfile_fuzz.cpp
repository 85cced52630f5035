// One component file read as X, Y and Z; every component must come out in time order.
#include <algorithm>
#include <cstdint>

#include "fuzzfile.h"
#include "import/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace corvath::import;
  const std::string& path = corvath::fuzz::WriteInput(data, size, "components");
  const ThreeComponentRecord record = ReadComponentFiles(path, path, path);
  for (Component c : kComponents) {
    const auto& samples = record.samples(c);
    if (!std::is_sorted(samples.begin(), samples.end(),
                        [](const Sample& a, const Sample& b) { return a.time < b.time; }))
      __builtin_trap();
  }
  return 0;
}
