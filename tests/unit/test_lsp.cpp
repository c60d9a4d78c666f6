#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "lsp/document.h"
#include "lsp/message_reader.h"
#include "lsp/words.h"

namespace kal::lsp {
namespace {

// Every message of a stream, "M:body" for a message and "BAD" for a header that could not be read.
std::vector<std::string> read_all(const std::string& stream) {
  std::istringstream in(stream);
  MessageReader reader(in);
  std::vector<std::string> got;
  for (Incoming m = reader.next(); m.kind != Incoming::Kind::End; m = reader.next())
    got.push_back(m.kind == Incoming::Kind::Message ? "M:" + m.body : "BAD");
  return got;
}

using Got = std::vector<std::string>;

TEST(LspMessages, FramesDamagedOnesAndWhatFollowsThem) {
  // Any letter case, other headers, and LF-only header lines are read.
  EXPECT_EQ(read_all("content-LENGTH: 2\r\nContent-Type: x\r\n\r\n{}Content-Length: 1\n\n7"),
            (Got{"M:{}", "M:7"}));
  // No length, a length that is no number, or one far too large: reported once, and reading goes on at the
  // next header, even in the middle of a line.
  EXPECT_EQ(read_all("Content-Type: x\r\n\r\nzzzContent-Length: 2\r\n\r\n[]"), (Got{"BAD", "M:[]"}));
  EXPECT_EQ(read_all("Content-Length: dos\r\n\r\n{}\r\nContent-Length: 2\r\n\r\n{}"), (Got{"BAD", "M:{}"}));
  EXPECT_EQ(read_all("Content-Length: 99999999999\r\n\r\n{}"), (Got{"BAD"}));
  // A body cut short by the end of input is what arrived.
  EXPECT_EQ(read_all("Content-Length: 10\r\n\r\n{}"), (Got{"M:{}"}));
  EXPECT_EQ(read_all(""), Got{});
}

TEST(LspDocument, PositionsCountUtf16Units) {
  // "ñ" and "€" are one unit and one byte each; the face beyond 16 bits is two units, kept as two bytes.
  const Document d("\xC3\xB1\xE2\x82\xAC\xF0\x9F\x98\x80x\r\nab\n\rc");
  EXPECT_EQ(d.bytes(), "\xF1\x80??x\r\nab\n\rc");
  EXPECT_EQ(d.position(4).character, 4u);  // "x"
  EXPECT_EQ(d.position(7).line, 1u);       // "a", after CR LF
  EXPECT_EQ(d.position(11).line, 3u);      // "c", after LF and a lone CR
  EXPECT_EQ(d.offset({1, 99}), 9u);        // clamped to the end of "ab"
  EXPECT_EQ(d.offset({9, 0}), d.bytes().size());
}

TEST(LspWords, EveryWordHasHelpInBothLanguages) {
  ASSERT_NE(find_word(".aviso"), nullptr);
  EXPECT_EQ(operand_names(*find_word("%CAMBIARP"), Language::Spanish),
            (std::vector<std::string>{"busca", "cambio", "texto"}));
  EXPECT_TRUE(operand_names(*find_word("%TODAY"), Language::English).empty());
  for (const WordHelp& w : word_help())
    for (int i = 0; i < 2; ++i) EXPECT_FALSE(w.what[i].empty() || w.example[i].empty()) << w.word;
}

}  // namespace
}  // namespace kal::lsp
