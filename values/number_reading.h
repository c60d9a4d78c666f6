// Reading numbers out of texts, as the numeric built-ins do, and rounding them to whole numbers.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kal {

// The number at the start of a text: leading blanks (space, tab, CR, LF) skipped; an optional sign, digits
// with an optional decimal point and an optional exponent after "E", "e", "D" or "d"; or "&H", "&O", "&B" and
// a hexadecimal, octal or binary whole number. Reading stops at the first character that does not fit; a text
// without a number reads as 0.
long double read_number(std::string_view text);

// A text of 1 to 18 plain digits as the whole number it is (64 bits hold it exactly); nothing for any other
// text. Operands and integer texts are mostly such, and skip the extended-precision reading this way.
std::optional<std::int64_t> read_plain_digits(std::string_view text);

// The nearest whole number; a value exactly halfway goes to the even neighbour (2.5 gives 2, 3.5 gives 4).
long double round_half_even(long double x);

// The whole number a function operand stands for: read, rounded with ties to even, and held in 32 bits (a
// value beyond that range takes the nearest end of it).
std::int32_t read_whole_number(std::string_view text);
// The same held in 64 bits, for colour numbers, whose low 24 bits count.
std::int64_t read_long_whole_number(std::string_view text);
// The same held in 16 bits, where a function says so (the parts of a date, a count of decimals).
std::int16_t read_short_whole_number(std::string_view text);

// The single-precision number nearest x (infinite beyond the single range).
float to_single(long double x);

}  // namespace kal
