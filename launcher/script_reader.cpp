#include "launcher/script_reader.h"

#include <algorithm>
#include <array>

#include "common/limits.h"
#include "common/messages.h"

namespace kal {
namespace {

enum class CharKind : unsigned char { Word, Separator, Punctuation };

constexpr std::array<CharKind, 256> make_kinds() {
  std::array<CharKind, 256> kinds{};
  for (unsigned char c : {' ', '\r', '\n'}) kinds[c] = CharKind::Separator;
  // Each of these always stands as a token of its own: * + - , ; " | º ª “ ” « » … –
  for (unsigned char c : {42, 43, 45, 44, 59, 34, 124, 186, 170, 147, 148, 171, 187, 133, 150})
    kinds[c] = CharKind::Punctuation;
  return kinds;
}
constexpr std::array<CharKind, 256> kKinds = make_kinds();

}  // namespace

std::string join_lines(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char c = bytes[i];
    if (c == '\x1A') break;
    if (c == '\r') {
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      continue;
    }
    text.push_back(c);
  }
  return text;
}

std::vector<std::string_view> tokenize(std::string_view text, std::size_t max_tokens) {
  std::vector<std::string_view> tokens;
  // Scripts hold about one token for every four or five bytes: reserving that spares most regrowth.
  tokens.reserve(std::min(text.size() / 4 + 1, max_tokens + 2));
  auto store = [&tokens](std::string_view token) {
    tokens.push_back(token.substr(0, limits::kMaxTokenLength));
  };
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size() && tokens.size() <= max_tokens; ++i) {
    CharKind kind = kKinds[static_cast<unsigned char>(text[i])];
    if (kind == CharKind::Word) continue;
    if (i > start) store(text.substr(start, i - start));
    if (kind == CharKind::Punctuation) store(text.substr(i, 1));
    start = i + 1;
  }
  if (start < text.size() && tokens.size() <= max_tokens) store(text.substr(start));
  if (tokens.size() > max_tokens + 1) tokens.resize(max_tokens + 1);
  return tokens;
}

void OuterFormCounts::count(std::string_view token) {
  if (token == ";") ++statements;
  if (token == ".codigo") ++codigo;
  if (token == ".fin") ++fin;
}

std::optional<std::string_view> check_outer_form(const std::vector<std::string_view>& tokens,
                                                 const OuterFormCounts& counts) {
  const std::size_t t = tokens.size();
  if (t < 1 || tokens[t - 1] != ";") return msg::kMustEndWithSemicolon;
  if (t < 2 || tokens[t - 2] != ".fin") return msg::kMustEndWithFin;
  if (tokens[0] != ".codigo") return msg::kMustStartWithCodigo;
  if (counts.codigo > 1) return msg::kOnlyOneCodigo;
  if (counts.fin > 1) return msg::kOnlyOneFin;
  return std::nullopt;
}

}  // namespace kal
