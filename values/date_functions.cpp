#include "values/date_functions.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "values/number_reading.h"
#include "values/value.h"

namespace kal {
namespace {

constexpr std::string_view kWeekdays[] = {"Domingo", "Lunes",   "Martes", "Miercoles",
                                          "Jueves",  "Viernes", "Sabado"};
constexpr std::string_view kMonths[] = {"Enero",      "Febrero", "Marzo",     "Abril",
                                        "Mayo",       "Junio",   "Julio",     "Agosto",
                                        "Septiembre", "Octubre", "Noviembre", "Diciembre"};

// The characters from position `from` (1-based), at most `count`, as far as the text reaches.
std::string_view piece(std::string_view text, std::size_t from, std::size_t count) {
  return from - 1 < text.size() ? text.substr(from - 1, count) : std::string_view{};
}

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// A date written with a one-digit day or month (1/1/2026, 5/03/2024): digits, one other character, digits,
// one other character, four digits. Its day and month, found by the separators; nothing for any other text.
struct ShortDate {
  std::string_view day, month;
};
std::optional<ShortDate> short_date(std::string_view date) {
  auto digits = [&date](std::size_t from) {
    std::size_t to = from;
    while (to < date.size() && is_digit(date[to])) ++to;
    return to - from;
  };
  const std::size_t day = digits(0);
  if (day == 0 || day + 1 >= date.size()) return std::nullopt;
  const std::size_t month_at = day + 1;
  const std::size_t month = digits(month_at);
  const std::size_t year_at = month_at + month + 1;
  if (month == 0 || year_at + 4 != date.size() || digits(year_at) != 4) return std::nullopt;
  if (day != 1 && month != 1) return std::nullopt;  // two-digit dates read by position, as always
  return ShortDate{date.substr(0, day), date.substr(month_at, month)};
}

}  // namespace

std::string date_text(int day, int month, int year) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d", day, month, year);
  return buffer;
}

std::string_view weekday_name(std::string_view date) {
  // Each part is read and held in 16 bits; the sums run in 32 bits, where they cannot overflow.
  // Read by position, a one-digit day or month would take a separator as a digit and name another date.
  const std::optional<ShortDate> written_short = short_date(date);
  const std::int32_t d = read_short_whole_number(written_short ? written_short->day : piece(date, 1, 2));
  std::int32_t m = read_short_whole_number(written_short ? written_short->month : piece(date, 4, 2));
  std::int32_t y = read_short_whole_number(date.substr(date.size() - std::min<std::size_t>(date.size(), 4)));
  m -= 2;
  if (m <= 0) {
    m += 12;
    y -= 1;
  }
  const std::int32_t c = y / 100;
  const std::int32_t a = y % 100;
  std::int32_t w = (26 * m - 2) / 10 + d + a + a / 4 + c / 4 - 2 * c;
  // Adding 7 until w is no longer negative, in one step.
  if (w < 0) w += 7 * ((-w + 6) / 7);
  return kWeekdays[w % 7];
}

std::string_view month_name(std::int32_t month) {
  return month >= 1 && month <= 12 ? kMonths[month - 1] : std::string_view{};
}

std::string without_commas(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != ',') out += c;
  return out;
}

// The digits are laid out as written rather than through a binary number, so long texts keep every digit.
std::string number_notation(std::string_view text, Notation notation) {
  const std::string t = without_commas(text);
  const ValueClass kind = classify(t);
  if (kind != ValueClass::Integer && kind != ValueClass::Decimal) return "0";
  const std::size_t point = t.find('.');
  std::string_view whole = std::string_view(t).substr(0, point);
  whole.remove_prefix(std::min(whole.find_first_not_of('0'), whole.size()));

  std::string out;
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) out += notation.thousands;
    out += whole[i];
  }
  if (kind == ValueClass::Decimal || notation.whole_numbers_get_decimal) {
    const std::string_view decimals =
        point == std::string::npos ? std::string_view{} : std::string_view(t).substr(point + 1);
    out += notation.point;
    out += decimals.empty() ? std::string_view("0") : decimals;
  }
  return out;
}

}  // namespace kal
