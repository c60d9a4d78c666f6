// The language guides and the editor grammar must name every command and function word the interpreter knows,
// so they cannot fall behind the dispatch table.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "interp/dispatch_table.h"

namespace kal {
namespace {

std::string read_file(const std::string& path) {
  std::ifstream in(std::string(KAL_SOURCE_DIR) + "/" + path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The word written with its sigil and not as the start of a longer word (%RND is not found in %RNDF).
bool names(const std::string& guide, char sigil, std::string_view word) {
  const std::string wanted = sigil + std::string(word);
  for (std::size_t at = guide.find(wanted); at != std::string::npos; at = guide.find(wanted, at + 1)) {
    const std::size_t end = at + wanted.size();
    if (end == guide.size() || !(std::isalnum(static_cast<unsigned char>(guide[end])) || guide[end] == '_'))
      return true;
  }
  return false;
}

void expect_every_word(const char* name) {
  const std::string guide = read_file(std::string("docs/") + name);
  ASSERT_FALSE(guide.empty()) << name;
  for (const Family& family : dispatch_families()) {
    if (family.keyword_at == KeywordAt::None) continue;
    const char sigil = family.keyword_at == KeywordAt::Field3 ? '%' : '.';
    for (const Keyword& k : family.keywords)
      EXPECT_TRUE(names(guide, sigil, k.word)) << name << ": " << sigil << k.word;
  }
  for (const char* statement : {".codigo", ".fin", ":=", "DIV", "MOD"})
    EXPECT_NE(guide.find(statement), std::string::npos) << name << ": " << statement;
}

// The words of the grammar's alternation groups "%(?:A|B)" (functions) and ".(?:a|b)" (commands).
std::set<std::string> grammar_words(const std::string& grammar, char sigil) {
  std::set<std::string> words;
  const std::string opener = std::string(1, sigil) + "(?:";
  for (std::size_t at = grammar.find(opener); at != std::string::npos; at = grammar.find(opener, at + 1)) {
    const std::size_t start = at + opener.size();
    std::stringstream group(grammar.substr(start, grammar.find(')', start) - start));
    for (std::string word; std::getline(group, word, '|');) words.insert(word);
  }
  return words;
}

// The editor grammar colours known words apart from misspelt ones, so it must list every one too.
TEST(Guides, TheEditorGrammarNamesEveryWord) {
  const std::string grammar = read_file("editors/vscode-kal/syntaxes/kal.tmLanguage.json");
  ASSERT_FALSE(grammar.empty());
  const std::set<std::string> functions = grammar_words(grammar, '%');
  const std::set<std::string> commands = grammar_words(grammar, '.');
  for (const Family& family : dispatch_families()) {
    if (family.keyword_at == KeywordAt::None) continue;
    const auto& listed = family.keyword_at == KeywordAt::Field3 ? functions : commands;
    for (const Keyword& k : family.keywords) EXPECT_TRUE(listed.contains(std::string(k.word))) << k.word;
  }
}

TEST(Guides, TheSpanishGuideNamesEveryWord) {
  expect_every_word("guia.md");
}

TEST(Guides, TheEnglishGuideNamesEveryWord) {
  expect_every_word("guide.md");
}

}  // namespace
}  // namespace kal
