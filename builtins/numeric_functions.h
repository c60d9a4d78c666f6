// The numeric built-ins' rules on numbers already read: whole-number powers, colour numbers and random draws.
#pragma once

#include <cstdint>

#include "interp/random_generator.h"

namespace kal {

// base^exponent rounded to the nearest whole number, ties to even. Beyond the 64-bit range the power is still
// given as a number; 0 to a negative power is infinite.
long double whole_power(std::int32_t base, std::int32_t exponent);

// Red in the low byte, then green, then blue; each part held to 0..255.
std::int64_t colour_number(std::int32_t red, std::int32_t green, std::int32_t blue);

// A whole number from the smaller bound to the larger, both included: lo + floor(u * (hi - lo + 1)).
std::int64_t draw_between(RandomGenerator& random, std::int32_t a, std::int32_t b);

// A whole number from 0 to k, every one equally likely: how many steps a grid draw goes down.
std::uint64_t draw_up_to(RandomGenerator& random, std::uint64_t k);

// The step of a draw with n decimals: the text "0." with n - 1 zeros and a final "1" read as a
// single-precision number, so 0.1 for n <= 1 and 0 once 10^-n is below the smallest single.
float decimals_step(int n);

// The decimal count of a draw between two single-precision bounds: the larger position of the "." in their
// 7-digit plain number texts, counted from 1, and 1 when neither has one.
int point_position_decimals(float a, float b);

// One of b, b - step, b - 2 step, ... down to the step nearest a (the bounds are put in order first), drawn
// after reseeding the generator with `seed`. When the count of steps does not fit 64 bits, or the step is 0,
// the number is drawn evenly between the bounds instead.
long double draw_on_grid(RandomGenerator& random, float a, float b, float step, std::uint64_t seed);

}  // namespace kal
