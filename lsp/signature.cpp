// Signature help: the operands of the command or function word of the statement being typed, the one the
// cursor is on marked.
#include "common/cp1252.h"
#include "launcher/script_reader.h"
#include "lsp/features.h"

namespace kal::lsp {
namespace {

// The protocol's parameter labels are places in the label, in its UTF-16 units.
std::size_t units(std::string_view utf8_text) {
  return cp1252::utf16_from_utf8(utf8_text).value_or(std::u16string()).size();
}

}  // namespace

Result signature_help(const Request& r) {
  const Document& d = r.document;
  const std::size_t at = offset_at(d, r.params);
  const std::string& bytes = d.bytes();
  // The statement runs from the last ";" before the cursor (a ";" always stands alone, even in a comment),
  // with its line ends taken out, as KAL joins them.
  const std::size_t semicolon = at == 0 ? std::string::npos : bytes.rfind(';', at - 1);
  const std::size_t start = semicolon == std::string::npos ? 0 : semicolon + 1;
  std::string text;
  for (std::size_t i = start; i < at; ++i)
    if (bytes[i] != '\r' && bytes[i] != '\n') text.push_back(bytes[i]);
  std::vector<std::string_view> tokens;
  for_each_whole_token(text, [&tokens](std::string_view token) {
    tokens.push_back(token);
    return true;
  });
  if (tokens.empty() || tokens.front().starts_with('\'')) return nullptr;
  // A command word leads its statement; otherwise the statement's function word, as in "&m := %MAY &t".
  std::size_t k = 0;
  const WordHelp* help = tokens[0].starts_with('.') ? find_word(cp1252::lower(tokens[0])) : nullptr;
  for (std::size_t i = 0; help == nullptr && i < tokens.size(); ++i)
    if (tokens[i].starts_with('%') && (help = find_word(tokens[i])) != nullptr) k = i;
  const bool typing = !ends_word(text.back());  // the cursor is still in the last token
  if (help == nullptr || (typing && k + 1 == tokens.size())) return nullptr;
  const std::size_t operands = tokens.size() - k - 1;
  const std::vector<std::string> names = operand_names(*help, r.language);
  std::string label = help->word;
  json parameters = json::array();
  for (std::size_t i = 0; i < names.size(); ++i) {
    label.append(i == 0 ? " " : ", ");
    const std::size_t from = units(label);
    label.append(names[i]);
    parameters.push_back({{"label", {from, units(label)}}});
  }
  const auto i = static_cast<std::size_t>(r.language);
  // Past its last operand no operand is marked: the statement has one too many.
  return json{
      {"signatures", json::array({{{"label", label},
                                   {"documentation", {{"kind", "markdown"}, {"value", help->what[i]}}},
                                   {"parameters", parameters}}})},
      {"activeSignature", 0},
      {"activeParameter", typing ? operands - 1 : operands}};
}

}  // namespace kal::lsp
