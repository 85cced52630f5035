// SAC bytes into a channel; the input split in three gives three files for a record.
#include <cstdint>
#include <string_view>

#include "import/sac.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace corvath::import;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    const ChannelTrace whole = ParseSac(bytes, "fuzz.sac");
    if (whole.segments.size() != 1) __builtin_trap();
    // The same file as X, the second and third parts (each from a header on) as Y and Z.
    const std::size_t third = size / 3;
    const ChannelTrace y = ParseSac(bytes.substr(third), "y.sac", false);
    const ChannelTrace z = ParseSac(bytes.substr(2 * third), "z.sac");
    const ChannelRecord r = AssembleChannels(whole, y, z, "fuzz.sac");
    if (r.record.size(Component::Y) != r.record.size(Component::Z)) __builtin_trap();
  } catch (const FormatError&) {
  }
  return 0;
}
