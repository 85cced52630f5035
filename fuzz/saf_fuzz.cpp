// SAF text through the reader; every sample that comes out must be finite.
#include <cmath>
#include <cstdint>
#include <string_view>

#include "import/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace corvath::import;
  try {
    const auto record = ReadSafText(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.saf");
    if (!record) return 0;
    for (Component c : kComponents)
      for (const Sample& s : record->samples(c))
        if (!std::isfinite(s.time) || !std::isfinite(s.value)) __builtin_trap();
  } catch (const FormatError&) {
  }
  return 0;
}
