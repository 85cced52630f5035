#include "inversion/randomgenerator.h"

#include <chrono>
#include <mutex>

namespace corvath::inversion {
namespace {

// Values of the 32-bit engine at or above this are drawn again, so that the
// remainder modulo 10^9 is uniform (and the same on every platform).
constexpr std::uint32_t kAcceptBelow = 4 * (kRandomIntegerMax + 1);

std::uint64_t ClockSeed() {
  return static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count() ^
                                    std::chrono::steady_clock::now().time_since_epoch().count());
}

struct ProcessGenerator {
  std::mutex mutex;
  std::mt19937 engine{static_cast<std::mt19937::result_type>(ClockSeed())};
};

ProcessGenerator& Generator() {
  static ProcessGenerator generator;
  return generator;
}

void SeedEngine(std::mt19937& engine, std::uint64_t seed) {
  std::seed_seq sequence{static_cast<std::uint32_t>(seed), static_cast<std::uint32_t>(seed >> 32)};
  engine.seed(sequence);
}

std::uint32_t NextOf(std::mt19937& engine) {
  std::uint32_t value = 0;
  do value = static_cast<std::uint32_t>(engine());
  while (value >= kAcceptBelow);
  return value % (kRandomIntegerMax + 1);
}

}  // namespace

void RandomGenerator::Seed(std::uint64_t seed) { SeedEngine(engine_, seed); }

std::uint32_t RandomGenerator::Next() { return NextOf(engine_); }

std::uint32_t RandomInteger() {
  ProcessGenerator& generator = Generator();
  const std::lock_guard lock(generator.mutex);
  return NextOf(generator.engine);
}

void SeedRandomGenerator(std::uint64_t seed) {
  ProcessGenerator& generator = Generator();
  const std::lock_guard lock(generator.mutex);
  SeedEngine(generator.engine, seed);
}

}  // namespace corvath::inversion
