// Reading numbers out of texts, value classes, and every number text; and a number text read back prints the
// same text again, so that a value stored by one statement means the same to the next.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "values/date_functions.h"
#include "values/number_format.h"
#include "values/number_reading.h"
#include "values/value.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const long double x = kal::read_number(text);
  (void)kal::read_whole_number(text);
  (void)kal::read_short_whole_number(text);
  (void)kal::read_long_whole_number(text);
  for (int digits : {7, 15}) {
    const std::string printed = kal::plain_number_text(x, digits);
    if (std::isfinite(x) && kal::plain_number_text(kal::read_number(printed), digits) != printed)
      __builtin_trap();
    (void)kal::display_format(x, digits);
  }
  (void)kal::fixed_decimals(x, size % 64);
  if (kal::classify(text) == kal::ValueClass::Decimal) (void)kal::decimal_value(text);
  if (kal::classify(text) == kal::ValueClass::Integer) (void)kal::integer_value(text);
  (void)kal::number_notation(text, kal::kSpanish);
  (void)kal::weekday_name(text);
  return 0;
}
