// Windows-1252 text helpers. Script text is cp1252 bytes everywhere inside the interpreter; UTF-16 appears
// only where the platform layer talks to Windows.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kal::cp1252 {

// The Windows ANSI case mapping for code page 1252: A-Z, the Latin-1 capitals (except the multiplication
// sign) and the four capitals of the 0x80-0x9F block (Š Œ Ž Ÿ).
unsigned char to_lower(unsigned char c);
unsigned char to_upper(unsigned char c);
std::string lower(std::string_view text);
std::string upper(std::string_view text);
// Letters as Windows types them: those with a case, and the caseless letters ƒ ˆ ª µ º ß ÿ.
bool is_letter(unsigned char c);

// The code point Windows gives each byte (bytes with no character in 1252 keep their own value).
char16_t to_unicode(unsigned char c);
std::u16string to_utf16(std::string_view text);
// Characters with no Windows-1252 byte become `replacement`.
std::string from_utf16(std::u16string_view text, char replacement = '?');

// For tools and tests that show cp1252 text on a UTF-8 terminal.
std::string to_utf8(std::string_view text);
std::string from_utf8(std::string_view text, char replacement = '?');
// Valid UTF-8 as UTF-16 units (a character beyond 16 bits as its surrogate pair), or nullopt.
std::optional<std::u16string> utf16_from_utf8(std::string_view text);
// The same for text a user wrote, where a silent "?" would lose data: nullopt unless the text is valid UTF-8
// and Windows-1252 has every one of its characters.
std::optional<std::string> from_utf8_exact(std::string_view text);

}  // namespace kal::cp1252
