#include <cctype>
#include <set>

#include "checker/hints.h"
#include "common/cp1252.h"
#include "compiler/token_class.h"
#include "lsp/features.h"

namespace kal::lsp {
namespace {

bool is_name_char(unsigned char c) {
  return std::isalnum(c) || c == '_' || c >= 0x80;
}

}  // namespace

Result completion(const Request& r) {
  const Document& d = r.document;
  const std::size_t at = offset_at(d, r.params);
  const std::string_view before = d.line_text(d.line_of(at)).substr(0, d.position(at).character);
  std::size_t start = before.size();
  while (start > 0 && is_name_char(static_cast<unsigned char>(before[start - 1]))) --start;
  if (start == 0) return json::array();
  const char sigil = before[start - 1];
  json items = json::array();
  const auto i = static_cast<std::size_t>(r.language);
  std::set<std::string> seen;
  auto add = [&](const std::string& label, int kind, json extra = json::object()) {
    if (!seen.insert(label).second) return;
    json item = {{"label", label}, {"kind", kind}};
    item.update(extra);
    items.push_back(item);
  };
  const auto& words = d.analysis().words;
  if (sigil == '.' || sigil == '%') {
    for (const WordHelp& help : word_help()) {
      if (help.word.front() != sigil) continue;
      const std::string name = help.word.substr(1);
      json extra = {{"detail", help.operands[i]}, {"documentation", help.what[i]}};
      if (sigil == '%') {
        // A placeholder for each operand, named as a variable the script would write.
        std::string snippet = name;
        int n = 0;
        for (const std::string& operand : operand_names(help, r.language))
          snippet.append(" &${")
              .append(std::to_string(++n))
              .append(":")
              .append(as_written(operand))
              .append("}");
        extra["insertText"] = snippet;
        extra["insertTextFormat"] = kSnippet;
      }
      add(name, sigil == '.' ? kCompletionKeyword : kCompletionFunction, extra);
    }
  } else if (sigil == ':') {
    // Labels after a jump word.
    std::size_t end = start - 1;
    while (end > 0 && before[end - 1] == ' ') --end;
    std::size_t word = end;
    while (word > 0 && is_name_char(static_cast<unsigned char>(before[word - 1]))) --word;
    if (word == 0 || before[word - 1] != '.' ||
        !check::is_jump_word(cp1252::lower(before.substr(word, end - word))))
      return items;
    for (const Word& w : words)
      if (w.kind == Word::Kind::Label) add(utf8(name_of(w)), kCompletionReference);
  } else if (sigil == '&' || sigil == '@') {
    for (const Word& w : words)
      if (w.kind == (sigil == '&' ? Word::Kind::Variable : Word::Kind::Constant))
        add(utf8(name_of(w)), sigil == '&' ? kCompletionVariable : kCompletionConstant);
  } else if (sigil == '#') {
    for (const std::string& database : selected_databases(words))
      for (const db::Field& field : r.structures.fields(folder_of(r.uri), database))
        add(utf8(field.name), kCompletionField);
  }
  return items;
}

}  // namespace kal::lsp
