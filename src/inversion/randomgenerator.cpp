#include "inversion/randomgenerator.h"

#include <chrono>
#include <mutex>
#include <random>

namespace corvath::inversion {
namespace {

struct ProcessGenerator {
  std::mutex mutex;
  std::mt19937 engine{static_cast<std::mt19937::result_type>(
      std::chrono::system_clock::now().time_since_epoch().count() ^
      std::chrono::steady_clock::now().time_since_epoch().count())};
};

ProcessGenerator& Generator() {
  static ProcessGenerator generator;
  return generator;
}

// Values of the 32-bit engine at or above this are drawn again, so that the
// remainder modulo 10^9 is uniform (and the same on every platform).
constexpr std::uint32_t kAcceptBelow = 4 * (kRandomIntegerMax + 1);

}  // namespace

std::uint32_t RandomInteger() {
  ProcessGenerator& generator = Generator();
  const std::lock_guard lock(generator.mutex);
  std::uint32_t value = 0;
  do value = static_cast<std::uint32_t>(generator.engine());
  while (value >= kAcceptBelow);
  return value % (kRandomIntegerMax + 1);
}

void SeedRandomGenerator(std::uint64_t seed) {
  ProcessGenerator& generator = Generator();
  const std::lock_guard lock(generator.mutex);
  std::seed_seq sequence{static_cast<std::uint32_t>(seed), static_cast<std::uint32_t>(seed >> 32)};
  generator.engine.seed(sequence);
}

}  // namespace corvath::inversion
