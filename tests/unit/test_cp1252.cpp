#include "common/cp1252.h"

#include <gtest/gtest.h>

namespace kal {
namespace {

TEST(Cp1252, CaseMapping) {
  EXPECT_EQ(cp1252::lower("ABC xyz \xC1\xC9\xCD\xD3\xDA\xDC\xD1\xC7"),
            "abc xyz \xE1\xE9\xED\xF3\xFA\xFC\xF1\xE7");
  EXPECT_EQ(cp1252::lower("\x8A\x8C\x8E\x9F"), "\x9A\x9C\x9E\xFF");
  EXPECT_EQ(cp1252::lower("\xD7\xDF\xBA\xAA"), "\xD7\xDF\xBA\xAA");  // × ß º ª have no other case
  EXPECT_EQ(cp1252::upper("abc \xF1\xE7\xFF\xF7"), "ABC \xD1\xC7\x9F\xF7");
}

TEST(Cp1252, ToUtf16) {
  EXPECT_EQ(cp1252::to_utf16("Instrucci\xF3n"), u"Instrucci\u00F3n");
  EXPECT_EQ(cp1252::to_utf16("\x80\x93\x94\x85\x96\xBA"), u"\u20AC\u201C\u201D\u2026\u2013\u00BA");
  EXPECT_EQ(cp1252::to_utf16("\x81\x8D"), u"\u0081\u008D");  // holes of the code page keep their value
  EXPECT_EQ(cp1252::to_utf16("a\r\nb"), u"a\r\nb");
}

TEST(Cp1252, FromUtf16ReplacesWhatTheCodePageLacks) {
  EXPECT_EQ(cp1252::from_utf16(u"C:\\A\u00F1o\\\u20AC.txt"), "C:\\A\xF1o\\\x80.txt");
  EXPECT_EQ(cp1252::from_utf16(u"\u4E2D\U0001F600x"), "??x");
}

TEST(Cp1252, Utf8RoundTrip) {
  std::string all;
  for (int c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
  EXPECT_EQ(cp1252::from_utf8(cp1252::to_utf8(all)), all);
  EXPECT_EQ(cp1252::to_utf8("c\xF3"
                            "digo"),
            "c\xC3\xB3"
            "digo");
}

}  // namespace
}  // namespace kal
