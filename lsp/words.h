// The help of the language's command and function words and of its operators, in Spanish and English: one
// table (docs/words.json) for the guides, the editor grammars and the language server. The words themselves
// are the dispatch table's; a unit test holds the two together.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kal::lsp {

enum class Language { Spanish = 0, English = 1 };

struct WordHelp {
  std::string word;                     // with its sigil: ".aviso", "%MAY"
  std::array<std::string, 2> operands;  // by Language; UTF-8 Markdown, "—" when there are none
  std::array<std::string, 2> what;
  std::array<std::string, 2> example;
};

// Every word of the table, in the guides' order.
const std::vector<WordHelp>& word_help();
// The entry of a command word (in small letters) or a function word, or nullptr.
const WordHelp* find_word(std::string_view word);
// The operands' names, one a operand; empty when the word takes none.
std::vector<std::string> operand_names(const WordHelp& help, Language language);

// What an operator does (":=", "+", "DIV", ...), from the same table.
struct OperatorHelp {
  std::string word;
  std::array<std::string, 2> what;  // by Language; UTF-8 Markdown
};
const OperatorHelp* find_operator(std::string_view word);

}  // namespace kal::lsp
