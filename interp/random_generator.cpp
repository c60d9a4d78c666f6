#include "interp/random_generator.h"

#include "platform/platform.h"

namespace kal {
namespace {

std::uint64_t splitmix64(std::uint64_t& x) {
  std::uint64_t z = (x += 0x9E3779B97F4A7C15u);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
  return z ^ (z >> 31);
}

std::uint64_t rotl(std::uint64_t x, int k) {
  return (x << k) | (x >> (64 - k));
}

}  // namespace

void RandomGenerator::seed(std::uint64_t value) {
  for (std::uint64_t& s : state_) s = splitmix64(value);
}

// xoshiro256**: small, fast, and good enough for scripts that draw dice and colours.
std::uint64_t RandomGenerator::next() {
  const std::uint64_t result = rotl(state_[1] * 5, 7) * 9;
  const std::uint64_t t = state_[1] << 17;
  state_[2] ^= state_[0];
  state_[3] ^= state_[1];
  state_[1] ^= state_[2];
  state_[0] ^= state_[3];
  state_[2] ^= t;
  state_[3] = rotl(state_[3], 45);
  return result;
}

// The product in 128 bits is exact, so the result never reaches count, whatever its size. Each result stands
// for floor(2^64 / count) or one more values of n; the low half of the product tells the extra ones, which
// are drawn again (Lemire's method), so that large counts are as even as small ones.
std::uint64_t RandomGenerator::below(std::uint64_t count) {
  unsigned __int128 product = static_cast<unsigned __int128>(next()) * count;
  if (static_cast<std::uint64_t>(product) < count) {
    const std::uint64_t extra = (0 - count) % count;  // 2^64 mod count
    while (static_cast<std::uint64_t>(product) < extra)
      product = static_cast<unsigned __int128>(next()) * count;
  }
  return static_cast<std::uint64_t>(product >> 64);
}

std::uint64_t time_of_day_seed(const LocalTime& now) {
  return ((static_cast<std::uint64_t>(now.hour) * 60 + static_cast<std::uint64_t>(now.minute)) * 60 +
          static_cast<std::uint64_t>(now.second)) *
             1000 +
         static_cast<std::uint64_t>(now.millisecond);
}

}  // namespace kal
