// SEG-2 bytes straight into the parser and the record builder.
#include <cstdint>
#include <string_view>

#include "import/seg2.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace corvath::import;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (!IsSeg2(bytes)) return 0;
  try {
    const Seg2File file = ParseSeg2(bytes, "fuzz.sg2");
    // The last trace, the first and one in the middle.
    const ChannelPrompt prompt = [](const TraceList& traces) {
      const int n = traces.count;
      return ChannelChoice{n, 1, n / 2 + 1};
    };
    const auto record = BuildSeg2Record(bytes, file, prompt, "fuzz.sg2");
    if (record && record->size(Component::X) != file.traces.back().sampleCount) __builtin_trap();
  } catch (const FormatError&) {
  }
  return 0;
}
