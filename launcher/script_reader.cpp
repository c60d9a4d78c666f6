#include "launcher/script_reader.h"

#include <algorithm>
#include <array>

#include "common/messages.h"

namespace kal {
namespace detail {
namespace {

constexpr std::array<CharKind, 256> make_kinds() {
  std::array<CharKind, 256> kinds{};
  for (unsigned char c : {' ', '\r', '\n'}) kinds[c] = CharKind::Separator;
  // Each of these always stands as a token of its own: * + - , ; " | º ª “ ” « » … –
  for (unsigned char c : {42, 43, 45, 44, 59, 34, 124, 186, 170, 147, 148, 171, 187, 133, 150})
    kinds[c] = CharKind::Punctuation;
  return kinds;
}

}  // namespace

constinit const std::array<CharKind, 256> kCharKinds = make_kinds();

}  // namespace detail

void join_lines_in_place(std::string& bytes) {
  std::size_t out = 0;
  // The joined text is never ahead of the file's bytes, so it can overwrite them as it goes.
  for_each_joined_byte(bytes, [&](std::size_t i) { bytes[out++] = bytes[i]; });
  bytes.resize(out);
}

std::string join_lines(std::string_view bytes) {
  std::string text(bytes);
  join_lines_in_place(text);
  return text;
}

void OuterForm::count(std::string_view token) {
  if (tokens == 0) first = token;
  ++tokens;
  before_last = last;
  last = token;
  if (token == ";") ++statements;
  if (token == ".codigo" && ++codigo == 2) second_codigo = tokens;
  if (token == ".fin" && ++fin == 2) second_fin = tokens;
}

OuterForm survey(std::string_view text, std::size_t max_tokens) {
  OuterForm form;
  for_each_token(text, [&](std::string_view token) {
    form.count(token);
    return form.tokens <= max_tokens;
  });
  return form;
}

std::vector<OuterFormFailure> outer_form_failures(const OuterForm& form) {
  std::vector<OuterFormFailure> failures;
  if (form.tokens < 1 || form.last != ";") failures.push_back({msg::kMustEndWithSemicolon, form.tokens});
  if (form.tokens < 2 || form.before_last != ".fin")
    failures.push_back({msg::kMustEndWithFin, form.tokens < 2 ? form.tokens : form.tokens - 1});
  if (form.first != ".codigo")
    failures.push_back({msg::kMustStartWithCodigo, std::min<std::size_t>(form.tokens, 1)});
  if (form.codigo > 1) failures.push_back({msg::kOnlyOneCodigo, form.second_codigo});
  if (form.fin > 1) failures.push_back({msg::kOnlyOneFin, form.second_fin});
  return failures;
}

std::optional<std::string_view> check_outer_form(const OuterForm& form) {
  const auto failures = outer_form_failures(form);
  if (failures.empty()) return std::nullopt;
  return failures.front().message;
}

}  // namespace kal
