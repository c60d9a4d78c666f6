#include "checker/joined_text.h"

#include "launcher/script_reader.h"

namespace kal::check {

std::vector<std::size_t> line_starts(std::string_view bytes) {
  std::vector<std::size_t> starts{0};
  starts.reserve(1 + static_cast<std::size_t>(std::count_if(bytes.begin(), bytes.end(),
                                                            [](char c) { return c == '\r' || c == '\n'; })));
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    if (bytes[i] == '\r' || bytes[i] == '\n') starts.push_back(i + 1);
  }
  return starts;
}

void join_with_origins(std::string_view bytes, std::string& text, Origins& origins) {
  text.reserve(bytes.size());
  origins.reserve(1 + static_cast<std::size_t>(std::count_if(
                          bytes.begin(), bytes.end(), [](char c) { return c == '\r' || c == '\x1A'; })));
  for_each_joined_byte(bytes, [&](std::size_t i) {
    origins.keep(text.size(), i);
    text.push_back(bytes[i]);
  });
}

std::string line_end_of(std::string_view bytes) {
  const std::size_t first_end = bytes.find_first_of("\r\n");
  if (first_end == std::string_view::npos || bytes.substr(first_end, 2) == "\r\n") return "\r\n";
  return std::string(1, bytes[first_end]);
}

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
