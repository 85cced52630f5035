// SAF text through the file reader.
#include <cmath>
#include <cstdint>

#include "fuzzfile.h"
#include "import/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace corvath::import;
  try {
    const auto record = ReadSafFile(corvath::fuzz::WriteInput(data, size, "saf"));
    if (!record) return 0;
    for (Component c : kComponents)
      for (const Sample& s : record->samples(c))
        if (!std::isfinite(s.time) || !std::isfinite(s.value)) __builtin_trap();
  } catch (const FormatError&) {
  }
  return 0;
}
