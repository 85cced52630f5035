#pragma once
// Pseudo-random generators of the global search: uniform integers 0..999999999.
// The process-wide one is seeded from the clock when first used unless a seed is
// fixed; a RandomGenerator is one chain's own, seeded explicitly, and gives for a
// seed exactly the draws the process-wide one gives after SeedRandomGenerator(seed).
#include <cstdint>
#include <random>

namespace corvath::inversion {

//! Largest value RandomInteger returns.
inline constexpr std::uint32_t kRandomIntegerMax = 999999999;

//! A generator owned by one run (not thread-safe; one per thread).
class RandomGenerator {
 public:
  explicit RandomGenerator(std::uint64_t seed) { Seed(seed); }
  //! Restarts the sequence of the seed.
  void Seed(std::uint64_t seed);
  //! A uniform integer in 0..999999999.
  std::uint32_t Next();

 private:
  std::mt19937 engine_;
};

//! A uniform integer in 0..999999999 from the process-wide generator (thread-safe).
std::uint32_t RandomInteger();

//! Fixes the seed of the process-wide generator: the draws that follow repeat for the same seed.
void SeedRandomGenerator(std::uint64_t seed);

}  // namespace corvath::inversion
