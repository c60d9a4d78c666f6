#include "compiler/token_class.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kal {
namespace {

using ClassTest = bool (*)(std::string_view);

struct Case {
  const char* token;
  bool expected;
};

void expect_all(ClassTest test, const char* name, const std::vector<Case>& cases) {
  for (const Case& c : cases) EXPECT_EQ(test(c.token), c.expected) << name << "(\"" << c.token << "\")";
}

TEST(TokenClass, OrdinaryVariables) {
  expect_all(is_ordinary_variable, "variable",
             {{"&total_2", true},
              {"&Total", true},
              {"&a", true},
              {"&a.b", true},
              {"&\xD1"
               "and\xFA",
               true},  // Ñandú: the capital lowers to a listed ñ
              {"&", false},
              {"&&a", false},
              {"&a:b", false},
              {"&a\tb", false},
              {"a&", false},
              {"&\xC7", false},  // Ç lowers to ç, which is in no list
              {"&a@", false}});
}

TEST(TokenClass, OtherSigilClasses) {
  expect_all(is_constant, "constant", {{"@iva", true}, {"@", false}, {"@a@", false}, {"@a&", false}});
  expect_all(is_database_field, "field",
             {{"#fecha", true}, {"#a-b", true}, {"#@x", true}, {"##", false}, {"#", false}, {"#a:b", false}});
  expect_all(is_text_literal, "text",
             {{"~hola_mundo^", true},
              {"~\xBFQu\xE9?", true},  // ¿Qué?
              {"~(a)[b]{c}/\\$\x80", true},
              {"~", false},
              {"~a~b", false},
              {"~a'b", false},
              {"~a#b", false}});
  expect_all(is_function_word, "function", {{"%TODAY", true}, {"%sen", true}, {"%", false}, {"%a%", false}});
  expect_all(is_command_word, "command",
             {{".aviso", true}, {".FIN", true}, {".5", true}, {".", false}, {".a.b", false}, {".a:", false}});
  expect_all(is_label, "label", {{":bucle", true}, {":mi_bucle", true}, {":", false}, {":a.b", false}});
}

TEST(TokenClass, CommentOpeners) {
  expect_all(is_comment_opener, "comment",
             {{"'", true},
              {"'nota", true},
              {"'Nota:@x.y", true},
              {"'it's", false},
              {"nota", false},
              {"'a&", false}});
}

TEST(TokenClass, Numbers) {
  expect_all(is_integer_literal, "integer",
             {{"12", true}, {"007", true}, {"", false}, {"1a", false}, {"-1", false}});
  expect_all(is_decimal_literal, "decimal",
             {{"3.5", true},
              {"12.", true},
              {".25", true},
              {"1.", false},
              {".5", false},
              {"1.2.3", false},
              {"12", false},
              {"1,5", false}});
}

TEST(TokenClass, OperatorsAndMasks) {
  expect_all(
      is_operator, "operator",
      {{"+", true}, {"-", true}, {"*", true}, {"MOD", true}, {"DIV", true}, {"mod", false}, {"/", false}});
  expect_all(
      is_mask_literal, "mask",
      {{"##/##/####", true}, {"$#.##", true}, {"#fecha", false}, {"##\xA5\xA3\x80", true}, {"##~", false}});
}

TEST(TokenClass, DatabaseSelectors) {
  expect_all(is_database_selector, "selector",
             {{"[clientes]", true},
              {"[]", true},
              {"[Mis_Datos.2]", true},
              {"[a]b]", false},
              {"[a", false},
              {"[a-b]", false},
              {"x[a]", false}});
}

TEST(TokenClass, Words) {
  expect_all(is_word, "word",
             {{"&a", true},
              {"hola", true},
              {"\xC7"
               "a",
               false},  // Ç is listed, but it is tested as ç, which is not
              {"\xE7", false},
              {"=<>", true},
              {"a\xA3\xA5\xDF", true},
              {"2x", true},
              {"12", false},
              {".5", false},
              {"1.2.3", false},
              {"", false},
              {"a\tb", false},
              {"a'b", false},
              {"a^b", false},
              {"a\"b", false}});
  expect_all(is_plain_name, "plain name",
             {{"bucle", true}, {"Bucle2", true}, {"mi bucle", false}, {"a\r\nb", false}});
}

TEST(TokenClass, TabsFitNoClass) {
  const std::string t = "\t.aviso";
  for (ClassTest test : {is_ordinary_variable, is_constant, is_database_field, is_text_literal,
                         is_function_word, is_command_word, is_label, is_comment_opener, is_integer_literal,
                         is_decimal_literal, is_operator, is_mask_literal, is_database_selector, is_word})
    EXPECT_FALSE(test(t));
}

TEST(TokenClass, FieldConversion) {
  struct {
    const char* token;
    const char* field;
  } cases[] = {
      {"~hola_mundo^", "hola mundo\r\n"},
      {"&total_2", "total 2"},
      {"&Total", "Total"},
      {"#fecha", "fecha"},
      {"@a", "a"},
      {"%TODAY", "TODAY"},
      {".aviso", "aviso"},
      {":bucle", "bucle"},
      {"~a.b:c", "a.b:c"},  // a sigil character after the first position stays
      {"#@x", "@x"},
      {"~^", "\r\n"},
      {"clientes", "clientes"},
      {".clientes", "clientes"},
  };
  for (const auto& c : cases) EXPECT_EQ(convert_field(c.token), c.field) << c.token;
}

}  // namespace
}  // namespace kal
