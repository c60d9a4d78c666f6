// The text functions: cutting, searching, replacing, masking and re-casing texts. None can fail: every input
// gives a result. Positions and counts are whole numbers already read from their operands.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kal {

// Up to n characters from position s (1-based). A negative n leaves that many off the end (all from s on when
// still negative); a negative s counts from the end; s = 0 gives the empty text.
std::string_view middle_string(std::string_view text, std::int64_t start, std::int64_t length);
std::string_view left_string(std::string_view text, std::int64_t count);
std::string_view right_string(std::string_view text, std::int64_t count);

// Field `index` of the text split at every occurrence of the separator, from the left; a negative index
// counts from the end; 0 or beyond the last field gives the empty text; an empty separator gives the whole
// text.
std::string_view select_field(std::string_view text, std::string_view separator, std::int64_t index);

// Every occurrence of `search`, from the left and without overlaps, replaced; at most the first `keep`
// characters of the result, which is built no further than that.
std::string replace_all(std::string_view search, std::string_view replacement, std::string_view text,
                        std::size_t keep = std::string::npos);

// The value without its spaces, laid into the mask: "#" takes the next character, "_" is a blank, the rest is
// copied.
std::string apply_mask(std::string_view value, std::string_view mask);

std::string character(std::int32_t code);
std::string capitalize_words(std::string_view text);
// The text without the spaces at both ends.
std::string_view trim_spaces(std::string_view text);
std::size_t trimmed_size(std::string_view text);
// The control letter of a Spanish identity number; the empty text where the remainder falls outside the
// table.
std::string nif_letter(long double number);

}  // namespace kal
