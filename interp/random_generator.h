// The run's one random generator (xoshiro256**): fractions uniform in [0, 1), seeded from the time of day.
#pragma once

#include <cstdint>

namespace kal {

class RandomGenerator {
 public:
  void seed(std::uint64_t value);
  // A whole number from 0 to count - 1 (count >= 1), every one equally likely: floor(u * count) for the next
  // fraction u = n / 2^64, drawn again in the rare case where that would favour some numbers.
  std::uint64_t below(std::uint64_t count);
  // The next 64 random bits.
  std::uint64_t next();

 private:
  std::uint64_t state_[4] = {0x9E3779B97F4A7C15u, 0xBF58476D1CE4E5B9u, 0x94D049BB133111EBu, 1};
};

// Milliseconds since midnight: the seed the interpreter takes at start-up and on every reseed.
struct LocalTime;
std::uint64_t time_of_day_seed(const LocalTime& now);

}  // namespace kal
