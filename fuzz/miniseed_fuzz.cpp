// miniSEED bytes through libmseed into channels, and the first three channels into a record.
#include <cstdint>
#include <string_view>

#include "import/miniseed.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace corvath::import;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    const auto traces = ParseMiniSeed(bytes, "fuzz.mseed");
    if (traces.size() >= 3) {
      const ChannelRecord r = AssembleChannels(traces[0], traces[1], traces[2], "fuzz.mseed");
      for (Component c : kComponents)
        if (r.record.size(c) != r.record.size(Component::X)) __builtin_trap();
    }
  } catch (const FormatError&) {
  }
  return 0;
}
