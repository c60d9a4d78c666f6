// Dates written day/month/year, Spanish weekday and month names, and national ways of writing numbers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kal {

// dd/mm/yyyy.
std::string date_text(int day, int month, int year);

// The weekday of a date written dd/mm/yyyy, by the congruence on characters 1-2 (day), 4-5 (month) and the
// last four (year), whatever stands between them. A date whose day or month has one digit (1/1/2026) is read
// by its separators instead; other texts name the weekday of whatever numbers those positions hold.
std::string_view weekday_name(std::string_view date);

// "Enero" to "Diciembre" for 1 to 12, the empty text for any other number.
std::string_view month_name(std::int32_t month);

std::string without_commas(std::string_view text);

// How a country writes a number: thousands separator, decimal point, and whether a whole number still shows
// one decimal.
struct Notation {
  char thousands;
  char point;
  bool whole_numbers_get_decimal;
};
inline constexpr Notation kEnglish{',', '.', false};
inline constexpr Notation kSpanish{'.', ',', true};
inline constexpr Notation kSpanishApostrophe{'.', '\'', true};

// A number text, its commas dropped, written with separators between groups of three digits: a decimal text
// keeps its decimals (one at least); an integer text has none in English (and 0 shows as nothing) and one "0"
// in the Spanish notations. Any other text, a negative number among them, gives "0".
std::string number_notation(std::string_view text, Notation notation);

}  // namespace kal
