#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

#include "interp/dispatch_table.h"
#include "lsp/document.h"
#include "lsp/message_reader.h"
#include "lsp/structures.h"
#include "lsp/words.h"

namespace kal::lsp {
namespace {

using kal::dispatch_families;
using kal::Family;
using kal::Keyword;
using kal::KeywordAt;

// Every message of a stream, "M:body" for a message and "BAD" for a header that could not be read.
std::vector<std::string> read_all(const std::string& stream) {
  MessageReader reader(bytes_of(stream));
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

TEST(LspMessages, JsonNestedTooDeepIsRefusedAndLoneSurrogatesStand) {
  const std::string deep = std::string(40000, '[') + std::string(40000, ']');
  EXPECT_EQ(parse_message(deep).refused, ParsedMessage::Refused::TooDeep);
  EXPECT_EQ(parse_message("{\"a\":").refused, ParsedMessage::Refused::NotJson);
  // The text each body reads as: a half of a pair alone becomes U+FFFD (EF BF BD), a whole pair and an
  // escaped backslash before "u" stay as written.
  const std::pair<std::string, std::string> texts[] = {
      {R"(["a\ud800b"])",
       "a\xEF\xBF\xBD"
       "b"},
      {R"(["\udc00\ud800"])", "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {R"(["\ud800\ud800\udc00"])", "\xEF\xBF\xBD\xF0\x90\x80\x80"},
      {R"(["\\ud800"])", "\\ud800"},
      {R"(["\ud83d\ude00 \n"])", "\xF0\x9F\x98\x80 \n"},
  };
  for (const auto& [body, text] : texts) {
    const ParsedMessage parsed = parse_message(body);
    ASSERT_EQ(parsed.refused, ParsedMessage::Refused::No) << body;
    EXPECT_EQ(parsed.value[0], text) << body;
  }
}

TEST(LspStructures, ReadOnceWhileTheyStayAndOnlyFromRegularFiles) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / ("kal-structures-" + std::to_string(::getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder / "agenda");
  const fs::path file = folder / "agenda" / "agenda.z04";
  auto write = [&file](const std::string& name) {
    db::Field f;
    f.id = 1;
    f.name = name;
    f.type = 3;
    f.max_length = 20;
    std::ofstream(file, std::ios::binary) << db::encode_field(f);
  };
  Structures structures;
  auto names = [&] {
    std::vector<std::string> out;
    for (const db::Field& f : structures.fields(folder.string() + "/", "agenda")) out.push_back(f.name);
    return out;
  };
  write("nombre");
  EXPECT_EQ(names(), std::vector<std::string>{"nombre"});
  // The same size and time of writing: the fields read before, not the file again.
  const fs::file_time_type written = fs::last_write_time(file);
  write("precio");
  fs::last_write_time(file, written);
  EXPECT_EQ(names(), std::vector<std::string>{"nombre"});
  fs::last_write_time(file, written + std::chrono::seconds(2));
  EXPECT_EQ(names(), std::vector<std::string>{"precio"});
  fs::resize_file(file, Structures::kMaxBytes + 1);  // far too large: passed over
  EXPECT_TRUE(names().empty());
  fs::remove(file);
  EXPECT_TRUE(names().empty());
  fs::remove_all(folder);
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

// The dispatch table is the one list of words; the help table must follow it both ways, with as many operand
// names as the word's shapes take (the server's completion writes a placeholder for each).
TEST(LspWords, EveryWordHasHelpAndEveryHelpAWord) {
  std::map<std::string, std::set<std::size_t>> operand_counts;  // by word with its sigil
  for (const Family& family : dispatch_families()) {
    if (family.keyword_at == KeywordAt::None) continue;
    const bool command = family.keyword_at == KeywordAt::Field2Lower;
    // ".&&" takes two operands; "&%&&" and "@%" take what follows the target and the "%".
    for (std::string_view shape : family.shapes)
      for (const Keyword& k : family.keywords)
        operand_counts[(command ? "." : "%") + std::string(k.word)].insert(shape.size() - (command ? 1 : 2));
  }
  std::set<std::string> helped;
  for (const WordHelp& w : word_help()) {
    helped.insert(w.word);
    ASSERT_TRUE(operand_counts.contains(w.word)) << w.word << " is no word of the dispatch table";
    for (Language language : {Language::Spanish, Language::English})
      EXPECT_EQ(operand_counts[w.word], std::set<std::size_t>{operand_names(w, language).size()}) << w.word;
    for (int i = 0; i < 2; ++i) EXPECT_FALSE(w.what[i].empty() || w.example[i].empty()) << w.word;
  }
  for (const auto& [word, counts] : operand_counts)
    EXPECT_TRUE(helped.contains(word)) << word << " has no help";
  EXPECT_EQ(operand_names(*find_word("%CAMBIARP"), Language::Spanish),
            (std::vector<std::string>{"busca", "cambio", "texto"}));
}

}  // namespace
}  // namespace kal::lsp
