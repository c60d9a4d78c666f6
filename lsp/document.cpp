#include "lsp/document.h"

#include <algorithm>

#include "common/cp1252.h"

namespace kal::lsp {

std::string one_byte_per_unit(std::string_view utf8) {
  std::u16string units;
  units.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    const int extra = b < 0x80             ? 0
                      : (b & 0xE0) == 0xC0 ? 1
                      : (b & 0xF0) == 0xE0 ? 2
                      : (b & 0xF8) == 0xF0 ? 3
                                           : -1;
    if (extra < 0 || (extra > 0 && i + static_cast<std::size_t>(extra) >= utf8.size())) {
      units.push_back(u'?');  // JSON strings are valid UTF-8; a stray byte still keeps one place
      ++i;
      continue;
    }
    char32_t cp = extra == 0 ? b : (b & (0x3F >> extra));
    for (int k = 1; k <= extra; ++k)
      cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]) & 0x3F);
    i += static_cast<std::size_t>(extra) + 1;
    if (cp >= 0x10000) {
      units.push_back(u'?');  // a surrogate pair: two units, two bytes
      units.push_back(u'?');
    } else {
      units.push_back(static_cast<char16_t>(cp));
    }
  }
  return cp1252::from_utf16(units);
}

Document::Document(std::string_view utf8)
    : bytes_(one_byte_per_unit(utf8)), analysis_(check::analyze_script(bytes_)) {
  line_starts_.push_back(0);
  for (std::size_t i = 0; i < bytes_.size(); ++i) {
    if (bytes_[i] == '\r' && i + 1 < bytes_.size() && bytes_[i + 1] == '\n') ++i;
    if (bytes_[i] == '\r' || bytes_[i] == '\n') line_starts_.push_back(i + 1);
  }
}

std::size_t Document::line_of(std::size_t offset) const {
  return static_cast<std::size_t>(std::upper_bound(line_starts_.begin(), line_starts_.end(), offset) -
                                  line_starts_.begin()) -
         1;
}

Position Document::position(std::size_t offset) const {
  offset = std::min(offset, bytes_.size());
  const std::size_t line = line_of(offset);
  return {line, offset - line_starts_[line]};
}

std::string_view Document::line_text(std::size_t line) const {
  if (line >= line_starts_.size()) return {};
  const std::size_t start = line_starts_[line];
  std::size_t end = line + 1 < line_starts_.size() ? line_starts_[line + 1] : bytes_.size();
  while (end > start && (bytes_[end - 1] == '\n' || bytes_[end - 1] == '\r')) --end;
  return std::string_view(bytes_).substr(start, end - start);
}

std::size_t Document::offset(Position p) const {
  if (p.line >= line_starts_.size()) return bytes_.size();
  return line_starts_[p.line] + std::min(p.character, line_text(p.line).size());
}

const check::Word* Document::word_at(std::size_t offset) const {
  const auto& words = analysis_.words;
  auto it = std::upper_bound(words.begin(), words.end(), offset,
                             [](std::size_t at, const check::Word& w) { return at < w.offset; });
  if (it == words.begin()) return nullptr;
  --it;
  // The end of a word counts too: an editor's cursor stands after the last character.
  return offset <= it->offset + it->length ? &*it : nullptr;
}

}  // namespace kal::lsp
