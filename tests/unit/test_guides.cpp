// The language guides must name every command and function word the interpreter knows, so they cannot fall
// behind the dispatch table.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <sstream>
#include <string>

#include "interp/dispatch_table.h"

namespace kal {
namespace {

std::string read_guide(const char* name) {
  std::ifstream in(std::string(KAL_SOURCE_DIR) + "/docs/" + name, std::ios::binary);
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
  const std::string guide = read_guide(name);
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

TEST(Guides, TheSpanishGuideNamesEveryWord) {
  expect_every_word("guia.md");
}

TEST(Guides, TheEnglishGuideNamesEveryWord) {
  expect_every_word("guide.md");
}

}  // namespace
}  // namespace kal
