// Numbers back to text. Every number a statement computes is stored as one of these two texts.
#pragma once

#include <string>
#include <string_view>

namespace kal {

// The number with at most `digits` significant digits (15, or 7 for results of two decimal texts): `3`,
// `3.5`,
// `.333333333333333`, `-.25`, `1E+15`, `1.5E-20`.
std::string plain_number_text(long double x, int digits);

// The characters after the last "." or "," of a plain number text; 1 when it has neither or nothing follows.
int decimal_count(std::string_view plain_text);

// The number with thousands separators and as many decimals as its plain number text has (at least one):
// `1,235.5`, `3.0`, `.5`, `.0`, `-1,234,567.25`.
std::string display_format(long double x, int digits);

// The number rounded to `decimals` places (half away from zero): its whole part in plain digits (a single 0
// when it is 0), then, when decimals > 0, "." and exactly that many digits: `3.00`, `0.50`, `-12.5`, `7`. A
// negative value keeps its "-" when it rounds to 0: `-0.00`.
std::string fixed_decimals(long double x, int decimals);

}  // namespace kal
