#include "launcher/script_reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "common/cp1252.h"
#include "common/messages.h"
#include "compiler/token_class.h"
#include "tests/support/script_run.h"

namespace kal {
namespace {

std::vector<std::string> tokens_of(const std::string& file_bytes) {
  std::string text = join_lines(file_bytes);
  std::vector<std::string> out;
  for (std::string_view t : tokenize(text, 100000)) out.emplace_back(t);
  return out;
}

using Tokens = std::vector<std::string>;

TEST(ScriptReader, LineEnds) {
  EXPECT_EQ(join_lines("a\r\nb\rc\nd"), "abc\nd");
  EXPECT_EQ(join_lines("a\r\r\nb"), "ab");  // each CR ends a line; only the LF right after a CR goes with it
  EXPECT_EQ(join_lines("a\n\r\nb"), "a\nb");
  EXPECT_EQ(join_lines("a\x1A"
                       "b\r\nc"),
            "a");  // Ctrl-Z ends the file
  EXPECT_EQ(join_lines(""), "");
}

TEST(ScriptReader, LineBreaksDoNotSeparateTokens) {
  EXPECT_EQ(tokens_of("&to\r\ntal := 1;"), (Tokens{"&total", ":=", "1", ";"}));
  EXPECT_EQ(tokens_of("&to\rtal;"), (Tokens{"&total", ";"}));
  EXPECT_EQ(tokens_of("&to\ntal;"), (Tokens{"&to", "tal", ";"}));  // a lone LF separates like a space
}

TEST(ScriptReader, Punctuation) {
  EXPECT_EQ(tokens_of("&a:=&b+1;"), (Tokens{"&a:=&b", "+", "1", ";"}));
  EXPECT_EQ(tokens_of("&a := &b + 1;"), (Tokens{"&a", ":=", "&b", "+", "1", ";"}));
  EXPECT_EQ(tokens_of("~hola;mundo"), (Tokens{"~hola", ";", "mundo"}));
  EXPECT_EQ(tokens_of("a*b-c,d\"e|f\xBAg\xAAh\x93i\x94j\xABk\xBBl\x85m\x96n"),
            (Tokens{"a", "*",    "b", "-",    "c", ",",    "d", "\"",   "e", "|",    "f", "\xBA", "g", "\xAA",
                    "h", "\x93", "i", "\x94", "j", "\xAB", "k", "\xBB", "l", "\x85", "m", "\x96", "n"}));
  EXPECT_EQ(tokens_of("  ;;  "), (Tokens{";", ";"}));
  EXPECT_EQ(tokens_of("\t.aviso x"), (Tokens{"\t.aviso", "x"}));  // a tab is a word character
}

// The editors and the page cut words by docs/characters.json: it must name exactly the tokenizer's blanks and
// lone characters, and exactly the letters beyond a-z that names take.
TEST(ScriptReader, TheEditorsCharactersAreTheTokenizers) {
  std::ifstream file(KAL_SOURCE_DIR "/docs/characters.json", std::ios::binary);
  const auto table = nlohmann::json::parse(std::string(std::istreambuf_iterator<char>(file), {}));
  auto listed = [&](const char* key) { return *cp1252::from_utf8_exact(table.at(key).get<std::string>()); };
  const std::string blank = listed("blank"), alone = listed("alone"), letters = listed("letters");
  for (int i = 1; i < 256; ++i) {
    const char c = static_cast<char>(i);
    const std::string one(1, c);
    EXPECT_EQ(is_blank(c), blank.find(c) != std::string::npos) << i;
    EXPECT_EQ(ends_word(c) && !is_blank(c), alone.find(c) != std::string::npos) << i;
    if (i >= 0x80) {
      EXPECT_EQ(is_ordinary_variable("&" + one), letters.find(c) != std::string::npos) << i;
    }
  }
}

TEST(ScriptReader, LongTokensAreCut) {
  std::string literal = "~" + std::string(299, 'x');
  Tokens t = tokens_of(".aviso " + literal + ";");
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[1], literal.substr(0, 255));
}

TEST(ScriptReader, TokenizingStopsJustPastTheLimit) {
  std::string text;
  for (int i = 0; i < 50; ++i) text += "a ";
  EXPECT_EQ(tokenize(text, 10).size(), 11u);
  EXPECT_EQ(tokenize(text, 50).size(), 50u);
  EXPECT_EQ(tokenize(";;;;;;", 3).size(), 4u);
}

std::optional<std::string_view> check(const std::string& script) {
  std::string text = join_lines(script);
  return check_outer_form(survey(text, 100000));
}

TEST(ScriptReader, OuterFormChecksInOrder) {
  EXPECT_EQ(check(".codigo; .fin;"), std::nullopt);
  EXPECT_EQ(check(""), msg::kMustEndWithSemicolon);
  EXPECT_EQ(check(".codigo; .fin"), msg::kMustEndWithSemicolon);
  EXPECT_EQ(check(";"), msg::kMustEndWithFin);
  EXPECT_EQ(check(".codigo; .aviso;"), msg::kMustEndWithFin);
  EXPECT_EQ(check(".codigo; .FIN;"), msg::kMustEndWithFin);
  EXPECT_EQ(check(".CODIGO; .fin;"), msg::kMustStartWithCodigo);
  EXPECT_EQ(check("'nota; .codigo; .fin;"), msg::kMustStartWithCodigo);
  EXPECT_EQ(check(".codigo; .codigo; .fin;"), msg::kOnlyOneCodigo);
  EXPECT_EQ(check(".codigo; .fin; .codigo; .fin;"), msg::kOnlyOneCodigo);  // "only one .codigo" comes first
  EXPECT_EQ(check(".codigo; .fin; .fin;"), msg::kOnlyOneFin);
  EXPECT_EQ(check(".codigo; 'nota .fin;"), std::nullopt);
}

TEST(ScriptReader, CountersDoNotWrap) {
  // 32769 ".codigo" tokens would turn a signed 16-bit counter negative and pass "only one".
  std::string script;
  for (int i = 0; i < 32769; ++i) script += ".codigo ";
  EXPECT_EQ(check(script + ".fin;"), msg::kOnlyOneCodigo);
  std::string fins = ".codigo;";
  for (int i = 0; i < 65537; ++i) fins += " .fin";
  EXPECT_EQ(check(fins + ";"), msg::kOnlyOneFin);
}

TEST(ScriptReader, SurveyCountsWithoutKeepingTokens) {
  OuterForm form = survey(".codigo; &a := 1; .aviso &a; .fin;", 100);
  EXPECT_EQ(form.tokens, 11u);
  EXPECT_EQ(form.statements, 4u);  // ".codigo;" and ".fin;" are statements too
  EXPECT_EQ(form.codigo, 1u);
  EXPECT_EQ(form.fin, 1u);
  EXPECT_EQ(form.first, ".codigo");
  EXPECT_EQ(form.before_last, ".fin");
  EXPECT_EQ(form.last, ";");
  // Counting stops one token past the limit, as tokenizing does.
  EXPECT_EQ(survey(";;;;;;", 3).tokens, 4u);
}

TEST(ScriptReader, LinesJoinInPlaceAsInACopy) {
  for (std::string bytes : {"a\r\nb\rc\nd", "x\r\r\n\x1Ay", "", "\r\n\r\n"}) {
    std::string in_place = bytes;
    join_lines_in_place(in_place);
    EXPECT_EQ(in_place, join_lines(bytes));
  }
}

}  // namespace
}  // namespace kal
