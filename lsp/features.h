// What the language server answers, one feature a file: the problems (problems.cpp), the help on a word
// (hover.cpp), completion (completion.cpp), signature help (signature.cpp), quick fixes (fixes.cpp),
// formatting (formatting.cpp), colours (colours.cpp), and going to, finding and renaming what a word names
// (navigation.cpp). Each answers one request from the open document it names.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "checker/script_checker.h"
#include "lsp/document.h"
#include "lsp/protocol.h"
#include "lsp/structures.h"
#include "lsp/words.h"

namespace kal::lsp {

struct Request {
  const Document& document;
  const json& params;
  const std::string& uri;
  Language language;
  Structures& structures;          // the database structures beside the script, read again when they change
  const std::string& reply_start;  // the reply up to its result, for results written as text
  std::string text(std::string spanish, std::string english) const {
    return language == Language::English ? english : spanish;
  }
};

// The publishDiagnostics notification of a document, written as text: a script full of mistakes has a
// problem for every few words.
std::string diagnostics(const std::string& uri, const Document& d, Language language);
// One problem as a diagnostic of those, for the requests that name it again (a quick fix).
json diagnostic(const Document& d, const check::Problem& p);
Result hover(const Request& r);
Result completion(const Request& r);
Result signature_help(const Request& r);
Result code_actions(const Request& r);
Result formatting(const Request& r);  // the whole document, or the range of a rangeFormatting
Result semantic_tokens(const Request& r);
// The token types and modifiers semantic tokens name, by their indices.
json colour_legend();
Result definition(const Request& r);
Result references(const Request& r);
Result rename(const Request& r);
Result symbols(const Request& r);

// The words of a script as the features read them.
using check::Word;
// A word's name without its sigil.
std::string_view name_of(const Word& w);
// Variables, constants and labels each have their own names; a jump names a label.
bool same_symbol(const Word& a, const Word& b);
bool is_named(const Word& w);
// The label statement a jump (or a label's name) leads to, as the checker found it with the label table.
const Word* jump_target(const std::vector<Word>& words, const Word& jump);
const Word* first_assignment(const std::vector<Word>& words, const Word& of);
// The database a selector word names ("[agenda]" names agenda).
std::string selected_name(const Word& w);
// The databases the script selects, each once however often it selects it, in the script's order.
std::vector<std::string> selected_databases(const std::vector<Word>& words);

}  // namespace kal::lsp
