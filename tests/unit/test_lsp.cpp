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
#include "lsp/structures.h"
#include "lsp/words.h"

namespace kal::lsp {
namespace {

using kal::dispatch_families;
using kal::Family;
using kal::Keyword;
using kal::KeywordAt;

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
