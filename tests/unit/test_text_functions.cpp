#include "values/text_functions.h"

#include <gtest/gtest.h>

#include <string>

namespace kal {
namespace {

TEST(TextFunctions, MiddleAndLeftString) {
  struct Row {
    std::int64_t start, length;
    const char* result;
  };
  const Row middle[] = {{3, 2, "cd"},    {0, 2, ""},        {-2, 5, "ef"}, {10, 1, ""}, {2, -1, "bcdef"},
                        {2, -2, "bcde"}, {1, 99, "abcdef"}, {-6, 2, "ab"}, {-7, 2, ""}, {6, 1, "f"},
                        {7, 1, ""},      {2, -10, "bcdef"}, {1, 0, ""}};
  for (const Row& r : middle)
    EXPECT_EQ(middle_string("abcdef", r.start, r.length), r.result) << r.start << "," << r.length;
  EXPECT_EQ(left_string("abcdef", 2), "ab");
  EXPECT_EQ(left_string("abcdef", -2), "abcd");
  EXPECT_EQ(left_string("abcdef", 0), "");
  EXPECT_EQ(left_string("abcdef", 99), "abcdef");
  EXPECT_EQ(middle_string("", 1, 1), "");
}

TEST(TextFunctions, RightString) {
  EXPECT_EQ(right_string("abcdef", 2), "ef");
  EXPECT_EQ(right_string("abcdef", -2), "cdef");
  EXPECT_EQ(right_string("abcdef", -10), "abcdef");
  EXPECT_EQ(right_string("abcdef", 0), "");
  EXPECT_EQ(right_string("abcdef", 6), "abcdef");
  EXPECT_EQ(right_string("abcdef", 99), "abcdef");
}

TEST(TextFunctions, FieldSelection) {
  EXPECT_EQ(select_field("a|b|c", "|", 4), "");
  EXPECT_EQ(select_field("a||c", "|", 2), "");
  EXPECT_EQ(select_field("a|b|c", "|", -1), "c");
  EXPECT_EQ(select_field("a|b|c", "|", 1), "a");
  EXPECT_EQ(select_field("a|b|c", "|", 0), "");
  EXPECT_EQ(select_field("a|b|c", "|", -3), "a");
  EXPECT_EQ(select_field("a|b|c", "|", -4), "");
  EXPECT_EQ(select_field("25/12/2024", "/", 2), "12");
  EXPECT_EQ(select_field("25/12/2024", "/", -1), "2024");
  EXPECT_EQ(select_field("25/12/2024", "", 2), "25/12/2024");
  EXPECT_EQ(select_field("uno, dos, tres", ", ", 3), "tres");
  EXPECT_EQ(select_field("sin separador", "|", 1), "sin separador");
  EXPECT_EQ(select_field("", "|", 1), "");
  // Overlapping separators are taken from the left: "a///b" at "//" is "a" and "/b".
  EXPECT_EQ(select_field("a///b", "//", 2), "/b");
  EXPECT_EQ(select_field("Aa", "a", 1), "A");  // the separator matches case-sensitively
}

TEST(TextFunctions, ReplaceAll) {
  EXPECT_EQ(replace_all("aa", "a", "aaaa"), "aa");
  EXPECT_EQ(replace_all("a", "aa", "aba"), "aabaa");  // replaced parts are not scanned again
  EXPECT_EQ(replace_all("", "x", "abc"), "abc");
  EXPECT_EQ(replace_all("a", "x", ""), "");
  EXPECT_EQ(replace_all(",", "|", "rojo,verde,azul"), "rojo|verde|azul");
  EXPECT_EQ(replace_all("A", "x", "aAa"), "axa");
  EXPECT_EQ(replace_all("lo", "", "lobo lo"), "bo ");
}

TEST(TextFunctions, Mask) {
  EXPECT_EQ(apply_mask("12 34 56 78", "##.##.##-##"), "12.34.56-78");
  EXPECT_EQ(apply_mask("123", "(###)_###"), "(123) ");
  EXPECT_EQ(apply_mask("ABCDEFG", "##-##"), "AB-CD");
  EXPECT_EQ(apply_mask("123", ""), "");
  EXPECT_EQ(apply_mask("", "##/##"), "/");
}

TEST(TextFunctions, CharacterCaseAndSize) {
  EXPECT_EQ(character(65), "A");
  EXPECT_EQ(character(321), "A");
  EXPECT_EQ(character(241), "\xF1");
  EXPECT_EQ(character(-1), "");
  EXPECT_EQ(character(124), "|");
  EXPECT_EQ(character(256), std::string(1, '\0'));  // the working buffer then ends it at once
  EXPECT_EQ(capitalize_words("jos\xE9 MAR\xCD"
                             "A o'neil"),
            "Jos\xE9 Mar\xED"
            "a O'Neil");
  EXPECT_EQ(capitalize_words("3er piso"), "3Er Piso");
  EXPECT_EQ(capitalize_words("\xF1o\xF1o \xFF"
                             "a"),
            "\xD1o\xF1o \x9F"
            "a");
  EXPECT_EQ(trimmed_size("  ab c  "), 4u);
  EXPECT_EQ(trimmed_size(""), 0u);
  EXPECT_EQ(trimmed_size("   "), 0u);
  EXPECT_EQ(trimmed_size("\tx\t"), 3u);  // only blanks are trimmed
}

TEST(TextFunctions, NifLetter) {
  EXPECT_EQ(nif_letter(12345678), "Z");
  EXPECT_EQ(nif_letter(0), "T");
  EXPECT_EQ(nif_letter(22), "E");
  EXPECT_EQ(nif_letter(23), "T");
  EXPECT_EQ(nif_letter(22.4L), "E");
  EXPECT_EQ(nif_letter(22.5L), "E");  // 22.5 rounds to the even 22
  EXPECT_EQ(nif_letter(22.6L), "");   // 23 is outside the table
  EXPECT_EQ(nif_letter(-1), "");      // a negative remainder too
}

}  // namespace
}  // namespace kal
