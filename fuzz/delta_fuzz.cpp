// Delta text through the reader; the first byte picks the channels (some outside
// 1 to 3). Every sample that comes out must be finite.
#include <cmath>
#include <cstdint>
#include <string_view>

#include "import/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace corvath::import;
  const int pick = size ? data[0] : 0;
  const ChannelPrompt prompt = [pick](const TraceList&) { return ChannelChoice{pick % 3 + 1, pick / 3 % 3 + 1, pick / 9 % 4 + 1}; };
  try {
    const auto record =
        ReadDeltaText(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.dat", prompt);
    if (!record) return 0;
    for (Component c : kComponents)
      for (const Sample& s : record->samples(c))
        if (!std::isfinite(s.time) || !std::isfinite(s.value)) __builtin_trap();
  } catch (const FormatError&) {
  }
  return 0;
}
