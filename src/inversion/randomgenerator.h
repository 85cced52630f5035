#pragma once
// The process-wide pseudo-random generator of the global search: uniform integers
// 0..999999999, seeded from the clock when first used unless a seed is fixed.
#include <cstdint>

namespace corvath::inversion {

//! Largest value RandomInteger returns.
inline constexpr std::uint32_t kRandomIntegerMax = 999999999;

//! A uniform integer in 0..999999999 from the process-wide generator (thread-safe).
std::uint32_t RandomInteger();

//! Fixes the seed of the process-wide generator: the draws that follow repeat for the same seed.
void SeedRandomGenerator(std::uint64_t seed);

}  // namespace corvath::inversion
