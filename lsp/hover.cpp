#include "common/cp1252.h"
#include "database/records.h"
#include "launcher/script_reader.h"
#include "lsp/features.h"

namespace kal::lsp {
namespace {

// The token of the text around an offset as the tokenizer cuts it: a character that stands alone, or the run
// of word characters; with where it starts. A blank is no token.
std::pair<std::string_view, std::size_t> token_around(std::string_view text, std::size_t at) {
  if (at >= text.size()) return {{}, at};
  if (ends_word(text[at])) return {is_blank(text[at]) ? std::string_view() : text.substr(at, 1), at};
  std::size_t start = at, end = at;
  while (start > 0 && !ends_word(text[start - 1])) --start;
  while (end < text.size() && !ends_word(text[end])) ++end;
  return {text.substr(start, end - start), start};
}

// A field's type and length as a person reads them, in UTF-8.
std::string field_kind(const db::Field& f, bool spanish) {
  std::string kind;
  if (db::reads_as_number(f.type))
    kind = spanish ? "n\xC3\xBAmero" : "number";
  else if (f.type == 3 || f.type == 5 || f.type == 8)
    kind = spanish ? "texto" : "text";
  else if (f.type == db::kTimeField)
    kind = spanish ? "la hora al guardar" : "the time when stored";
  else if (f.type == db::kDateField)
    kind = spanish ? "la fecha al guardar" : "the date when stored";
  else if (f.type == db::kChoiceField)
    kind = (spanish ? "opci\xC3\xB3n: " : "choice: ") + cp1252::to_utf8(f.choices);
  else
    kind = (spanish ? "tipo " : "type ") + std::to_string(f.type);
  return kind + ", " + (spanish ? "hasta " : "up to ") + std::to_string(f.max_length) +
         (spanish ? " caracteres" : " characters");
}

json markdown_at(const Document& d, const std::string& markdown, std::size_t offset, std::size_t length) {
  return {{"contents", {{"kind", "markdown"}, {"value", markdown}}}, {"range", range(d, offset, length)}};
}

// A field's type and length in each database the script selects that has it.
std::string field_help(const Request& r, const Word& w, const std::string& folder) {
  const bool spanish = r.language == Language::Spanish;
  std::string markdown;
  bool found = false;
  for (const std::string& database : selected_databases(r.document.analysis().words)) {
    for (const db::Field& f : r.structures.fields(folder, database)) {
      if ("#" + f.name != w.text) continue;
      markdown.append(found ? "; " : "").append(field_kind(f, spanish)).append(" (");
      markdown.append(utf8("[" + database + "]")).append(")");
      // The surprise of number fields: a stored "8.20" reads as 820.
      if (db::reads_as_number(f.type))
        markdown.append(
            r.text(". KAL quita cada `.` y lee `'` como el punto decimal: guarde `8'20` para leer "
                   "`8.20`; `8.20` se lee `820`",
                   ". KAL drops every `.` and reads `'` as the decimal point: store `8'20` to read "
                   "`8.20`; `8.20` reads as `820`"));
      found = true;
      break;
    }
  }
  if (!found)
    markdown.append(r.text("ninguna base de datos que el programa elige tiene este campo",
                           "no database the script selects has this field"));
  return markdown;
}

}  // namespace

Result hover(const Request& r) {
  const Document& d = r.document;
  const std::size_t at = offset_at(d, r.params);
  const Word* w = d.word_at(at);
  const auto i = static_cast<std::size_t>(r.language);
  if (w == nullptr) {
    const auto [token, start] = token_around(d.bytes(), at);
    const OperatorHelp* op = find_operator(token);
    if (op == nullptr) return nullptr;
    std::string markdown = "**" + op->word + "** ";
    return markdown_at(d, markdown.append(op->what[i]), start, token.size());
  }
  const auto& words = d.analysis().words;
  const std::string folder = folder_of(r.uri);
  // Built by appending: GCC 12 misreads some `literal + string` chains here as overlapping copies.
  std::string markdown;
  if (w->kind == Word::Kind::Command || w->kind == Word::Kind::Function) {
    std::string word = w->kind == Word::Kind::Command ? std::string(".") : std::string();
    word += w->kind == Word::Kind::Command ? cp1252::lower(name_of(*w)) : w->text;
    const WordHelp* help = find_word(utf8(word));
    if (help == nullptr) return nullptr;
    markdown.append("**").append(help->word).append("** ").append(help->operands[i]).append("\n\n");
    markdown.append(help->what[i]).append("\n\n").append(r.text("Ejemplo: ", "Example: "));
    markdown.append(help->example[i]);
  } else if (w->kind == Word::Kind::Variable || w->kind == Word::Kind::Constant ||
             w->kind == Word::Kind::Jump) {
    // Where its value comes from, or where the jump goes: a line of this file.
    const bool jump = w->kind == Word::Kind::Jump;
    const Word* source = jump ? jump_target(words, *w) : first_assignment(words, *w);
    markdown.append("`").append(utf8(w->text)).append("`: ");
    if (source != nullptr)
      markdown
          .append(jump ? r.text("salta a la l\xC3\xADnea ", "jumps to line ")
                       : r.text("recibe valor por primera vez en la l\xC3\xADnea ",
                                "first receives a value on line "))
          .append(std::to_string(source->line));
    else
      markdown.append(jump ? r.text("no existe esa etiqueta: saltar a ella termina el programa",
                                    "no such label: jumping to it ends the program")
                           : r.text("nunca recibe valor: vale el texto vac\xC3\xADo",
                                    "never receives a value: it is the empty text"));
  } else if (w->kind == Word::Kind::Label) {
    markdown.append("`").append(utf8(w->text)).append("`: ").append(r.text("etiqueta", "label"));
  } else if (w->kind == Word::Kind::Selector) {
    // The database's fields, from its structure file beside the script.
    const std::vector<db::Field>& fields = r.structures.fields(folder, selected_name(*w));
    const std::string name = utf8(selected_name(*w));
    markdown.append("`").append(utf8(w->text)).append("`: ");
    if (fields.empty())
      markdown.append(r.text("no hay estructura ", "there is no structure "))
          .append(name)
          .append("/")
          .append(name)
          .append(r.text(".z04 junto al programa", ".z04 beside the script"));
    for (const db::Field& f : fields)
      markdown.append("\n- `#")
          .append(utf8(f.name))
          .append("`: ")
          .append(field_kind(f, r.language == Language::Spanish));
  } else if (w->kind == Word::Kind::Field) {
    markdown.append("`").append(utf8(w->text)).append("`: ").append(field_help(r, *w, folder));
  } else {
    return nullptr;
  }
  return markdown_at(d, markdown, w->offset, w->length);
}

}  // namespace kal::lsp
