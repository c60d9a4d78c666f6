#include "checker/joined_text.h"

namespace kal::check {

std::size_t utf8_evidence(std::string_view bytes) {
  std::size_t first = std::string_view::npos;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    std::size_t length = c < 0x80                 ? 1
                         : c >= 0xC2 && c <= 0xDF ? 2
                         : c >= 0xE0 && c <= 0xEF ? 3
                         : c >= 0xF0 && c <= 0xF4 ? 4
                                                  : 0;
    if (length == 0 || i + length > bytes.size()) return std::string_view::npos;
    for (std::size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return std::string_view::npos;
    if (length > 1 && first == std::string_view::npos) first = i;
    i += length;
  }
  return first;
}

}  // namespace kal::check
