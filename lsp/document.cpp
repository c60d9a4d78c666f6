#include "lsp/document.h"

#include <algorithm>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "common/cp1252.h"

namespace kal::lsp {

std::string one_byte_per_unit(std::string_view utf8) {
  // JSON strings are valid UTF-8; should one not be, each character still keeps one place.
  std::optional<std::u16string> units = cp1252::utf16_from_utf8(utf8);
  if (!units) return cp1252::from_utf8(utf8);
  // Each half of a surrogate pair keeps its own place, as the client counts them.
  for (char16_t& unit : *units)
    if (unit >= 0xD800 && unit <= 0xDFFF) unit = u'?';
  return cp1252::from_utf16(*units);
}

Document::Document(std::string utf8)
    : bytes_(one_byte_per_unit(utf8)),
      too_large_(bytes_.size() > kMaxBytes),
      line_starts_(check::line_starts(bytes_)) {
  utf8 = std::string();
  if (!too_large_) analysis_ = check::analyze_script(bytes_);
#ifdef __GLIBC__
  // Reading a large document frees its working memory in small pieces, which glibc keeps for later: handed
  // back, a server holding a 4 MB document stays under 100 MB while it answers. A script of usual size is
  // spared the walk through the heap that this costs.
  constexpr std::size_t kLarge = 1 << 20;
  if (bytes_.size() > kLarge) malloc_trim(0);
#endif
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
