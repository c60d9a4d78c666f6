#include <algorithm>
#include <set>

#include "common/cp1252.h"
#include "common/limits.h"
#include "compiler/label_table.h"
#include "compiler/token_class.h"
#include "lsp/features.h"

namespace kal::lsp {

std::string_view name_of(const Word& w) {
  return std::string_view(w.text).substr(1);
}

bool same_symbol(const Word& a, const Word& b) {
  auto family = [](Word::Kind k) { return k == Word::Kind::Jump ? Word::Kind::Label : k; };
  return family(a.kind) == family(b.kind) && name_of(a) == name_of(b);
}

bool is_named(const Word& w) {
  return w.kind == Word::Kind::Variable || w.kind == Word::Kind::Constant || w.kind == Word::Kind::Label ||
         w.kind == Word::Kind::Jump;
}

const Word* jump_target(const std::vector<Word>& words, const Word& jump) {
  return jump.target < words.size() ? &words[jump.target] : nullptr;
}

const Word* first_assignment(const std::vector<Word>& words, const Word& of) {
  for (const Word& w : words)
    if (w.assigned && same_symbol(w, of)) return &w;
  return nullptr;
}

std::string selected_name(const Word& w) {
  return w.text.size() < 3 ? std::string() : w.text.substr(1, w.text.size() - 2);
}

std::vector<std::string> selected_databases(const std::vector<Word>& words) {
  std::vector<std::string> names;
  std::set<std::string> seen;
  for (const Word& w : words)
    if (w.kind == Word::Kind::Selector && seen.insert(selected_name(w)).second)
      names.push_back(selected_name(w));
  return names;
}

Result definition(const Request& r) {
  const Document& d = r.document;
  const Word* w = d.word_at(offset_at(d, r.params));
  if (w == nullptr) return nullptr;
  const auto& words = d.analysis().words;
  const Word* target = w->kind == Word::Kind::Jump || w->kind == Word::Kind::Label ? jump_target(words, *w)
                       : is_named(*w) ? first_assignment(words, *w)
                                      : nullptr;
  if (target == nullptr) return nullptr;
  return json{{"uri", r.uri}, {"range", range(d, target->offset, target->length)}};
}

Result references(const Request& r) {
  const Document& d = r.document;
  const Word* w = d.word_at(offset_at(d, r.params));
  if (w == nullptr || !is_named(*w)) return json::array();
  const bool declarations = r.params.value("context", json::object()).value("includeDeclaration", true);
  const std::string uri = quoted(r.uri);
  auto wanted = [&](const Word& other) {
    return same_symbol(other, *w) && (declarations || !(other.assigned || other.kind == Word::Kind::Label));
  };
  // Measured first: a reply of tens of megabytes that grew by doubling would briefly take three times its
  // size.
  const auto count =
      static_cast<std::size_t>(std::count_if(d.analysis().words.begin(), d.analysis().words.end(), wanted));
  std::string found = r.reply_start + "[";
  found.reserve(found.size() + count * (uri.size() + 104) + 2);
  for (const Word& other : d.analysis().words) {
    if (!wanted(other)) continue;
    if (found.back() != '[') found += ',';
    found.append(R"({"uri":)").append(uri).append(R"(,"range":)");
    append_range(found, d, other.offset, other.length);
    found += '}';
  }
  found += ']';
  return Result::written(std::move(found));
}

Result rename(const Request& r) {
  const Document& d = r.document;
  const Word* w = d.word_at(offset_at(d, r.params));
  if (w == nullptr || !is_named(*w))
    throw RpcError{kRequestFailed,
                   r.text("Aqu\xC3\xAD no hay un nombre que cambiar", "There is no name to rename here")};
  const char sigil = w->text.front();
  std::string wanted = r.params.at("newName");
  if (!wanted.empty() && wanted.front() == sigil) wanted.erase(0, 1);
  const std::optional<std::string> name = cp1252::from_utf8_exact(wanted);
  std::string written(1, sigil);
  written += name.value_or("");
  const bool valid =
      name && (sigil == '&'   ? is_ordinary_variable(written)
               : sigil == '@' ? is_constant(written)
                              : is_label(written) && LabelTable::registers_name(convert_field(written)));
  if (valid && written.size() > limits::kMaxTokenLength) {
    const std::string most = std::to_string(limits::kMaxTokenLength);
    throw RpcError{
        kRequestFailed,
        r.text("El nombre pasa de " + most + " caracteres: KAL solo lee los " + most + " primeros",
               "The name is longer than " + most + " characters: KAL reads only the first " + most)};
  }
  if (!valid) {
    std::string message = "\xC2\xAB";
    message.append(1, sigil).append(wanted).append("\xC2\xBB ");
    message += sigil == ':'   ? r.text("no vale como nombre de etiqueta (letras, cifras y sin _)",
                                       "is no valid label name (letters and digits, no _)")
               : sigil == '@' ? r.text("no vale como nombre de constante", "is no valid constant name")
                              : r.text("no vale como nombre de variable", "is no valid variable name");
    throw RpcError{kRequestFailed, message};
  }
  std::string edits = r.reply_start + R"({"changes":{)" + quoted(r.uri) + ":[";
  const std::string new_text = quoted(utf8(written));
  for (const Word& other : d.analysis().words) {
    if (!same_symbol(other, *w)) continue;
    if (other.length != other.text.size())
      throw RpcError{kRequestFailed,
                     r.text("Un uso del nombre sigue en la l\xC3\xAD"
                            "nea siguiente: no se puede cambiar",
                            "A use of the name runs on into the next line: it cannot be renamed")};
    if (edits.back() != '[') edits += ',';
    edits += R"({"range":)";
    append_range(edits, d, other.offset, other.length);
    edits.append(R"(,"newText":)").append(new_text).append("}");
  }
  edits += "]}}";
  return Result::written(std::move(edits));
}

Result symbols(const Request& r) {
  const Document& d = r.document;
  json found = json::array();
  for (const Word& w : d.analysis().words) {
    if (w.kind != Word::Kind::Label && w.kind != Word::Kind::Selector) continue;
    const json place = range(d, w.offset, w.length);
    found.push_back({{"name", utf8(w.text)},
                     {"kind", w.kind == Word::Kind::Label ? kSymbolFunction : kSymbolStruct},
                     {"range", place},
                     {"selectionRange", place}});
  }
  return found;
}

}  // namespace kal::lsp
