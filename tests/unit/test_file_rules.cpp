#include "builtins/file_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kal {
namespace {

TEST(FilePaths, ProgramFolderUnlessTheSecondCharacterIsAColon) {
  const std::string folder = "C:\\kal\\";
  EXPECT_EQ(resolve_path(folder, "datos\\lista.txt"), "C:\\kal\\datos\\lista.txt");
  EXPECT_EQ(resolve_path(folder, "C:\\datos\\lista.txt"), "C:\\datos\\lista.txt");
  EXPECT_EQ(resolve_path(folder, "d:x.txt"), "d:x.txt");
  EXPECT_EQ(resolve_path(folder, "\\\\servidor\\x"), "C:\\kal\\\\\\servidor\\x");
  EXPECT_EQ(resolve_path(folder, "\\x"), "C:\\kal\\\\x");
  EXPECT_EQ(resolve_path(folder, ""), "C:\\kal\\");
  EXPECT_EQ(resolve_path(folder, "x"), "C:\\kal\\x");

  EXPECT_TRUE(has_wildcards("a*.txt"));
  EXPECT_TRUE(has_wildcards("a?.txt"));
  EXPECT_FALSE(has_wildcards("a.txt"));
  EXPECT_EQ(folder_of_pattern("C:\\kal\\*.tmp"), "C:\\kal\\");
  EXPECT_EQ(folder_of_pattern("C:*.tmp"), "C:");
  EXPECT_EQ(folder_of_pattern("*.tmp"), "");
}

TEST(FileErrors, EveryWindowsCodeMapsToItsNumber) {
  struct Row {
    std::vector<ErrorCode> codes;
    int number;
  };
  const Row rows[] = {
      {{0}, 0},
      {{2, 18}, 53},
      {{3}, 76},
      {{4}, 67},
      {{5, 19, 32, 33, 36}, 70},
      {{6}, 57},
      {{8, 14}, 7},
      {{7, 9, 10}, 241},
      {{11, 12, 13, 22, 24}, 51},
      {{15, 20}, 68},
      {{17}, 74},
      {{21}, 71},
      {{23, 25, 26, 27, 28, 29, 30, 31, 34, 35}, 72},
      {{38}, 62},
      {{39, 112}, 61},
      {{87}, 5},
      {{1, 16, 37, 40, 80, 86, 88, 111, 113, 123, 183, 1000, 0xFFFFFFFFu}, 75},
  };
  std::vector<ErrorCode> covered;
  for (const Row& r : rows) {
    for (ErrorCode code : r.codes) {
      EXPECT_EQ(error_number(code), r.number) << "code " << code;
      covered.push_back(code);
    }
  }
  // The table names every code below 40.
  for (ErrorCode code = 0; code < 40; ++code)
    EXPECT_NE(std::find(covered.begin(), covered.end(), code), covered.end()) << code;
}

// A file served in pieces of a chosen size, counting what was read.
class PieceFile final : public InputFile {
 public:
  PieceFile(std::string bytes, std::size_t piece) : bytes_(std::move(bytes)), piece_(piece) {}
  std::size_t read(char* buffer, std::size_t size) override {
    const std::size_t n = std::min({size, piece_, bytes_.size() - position_});
    std::copy_n(bytes_.data() + position_, n, buffer);
    position_ += n;
    return n;
  }
  bool seek(std::uint64_t offset) override {
    position_ = std::min<std::size_t>(static_cast<std::size_t>(offset), bytes_.size());
    return true;
  }
  std::size_t position() const { return position_; }

 private:
  std::string bytes_;
  std::size_t piece_;
  std::size_t position_ = 0;
};

std::vector<std::string> lines_of(const std::string& bytes, std::size_t piece) {
  PieceFile file(bytes, piece);
  LineReader reader(file);
  std::vector<std::string> out;
  std::string line;
  while (reader.next(line, 1000)) out.push_back(line);
  return out;
}

TEST(FileLines, LineBreaksAndTheEndOfTheFile) {
  using Lines = std::vector<std::string>;
  struct Row {
    std::string bytes;
    Lines lines;
  };
  const Row rows[] = {
      {"uno\r\ndos\r\ntres\r\n", {"uno", "dos", "tres"}},
      {"uno\r\ndos\r\ntres", {"uno", "dos", "tres"}},  // the last line without a line break
      {"a\rb\rc", {"a", "b", "c"}},                    // a carriage return alone ends a line
      {"a\nb\r\nc", {"a\nb", "c"}},                    // a lone line feed stays in its line
      {"a\r\n\nb", {"a", "\nb"}},                      // only the line feed right after is skipped
      {"a\r\r\nb", {"a", "", "b"}},
      {"ab\x1A"
       "cd\r\nef",
       {"ab"}},  // Ctrl-Z ends the line and the file
      {"\x1A", {""}},
      {"ab\r\n\x1A", {"ab", ""}},
      {"", {}},
      {"\r\n", {""}},
      {"\r\n\r\n", {"", ""}},
      {"x\r", {"x"}},
      {std::string("a\0b\r\nc", 6), {std::string("a\0b", 3), "c"}},
  };
  for (const Row& r : rows) {
    for (std::size_t piece : {1, 2, 3, 65536}) EXPECT_EQ(lines_of(r.bytes, piece), r.lines) << piece;
  }
}

TEST(FileLines, JoinedLinesAndOneLine) {
  const std::string three = "uno\r\ndos\r\ntres\r\n";
  auto joined = [](const std::string& bytes, std::size_t keep = 63999) {
    PieceFile f(bytes, 7);
    return read_joined_lines(f, keep);
  };
  auto line = [](const std::string& bytes, std::int64_t n) {
    PieceFile f(bytes, 7);
    return read_line(f, n, 63999);
  };
  EXPECT_EQ(joined(three), "unodostres");
  EXPECT_EQ(joined(""), "");
  EXPECT_EQ(joined("a\nb\rc"), "a\nbc");
  EXPECT_EQ(joined("uno\r\ndos\x1Atres"), "unodos");
  EXPECT_EQ(joined(three, 5), "unodo");
  EXPECT_EQ(line(three, 1), "uno");
  EXPECT_EQ(line(three, 2), "dos");
  EXPECT_EQ(line(three, 3), "tres");
  EXPECT_EQ(line(three, 4), "");
  EXPECT_EQ(line(three, 0), "");
  EXPECT_EQ(line(three, -1), "");
  EXPECT_EQ(line("", 1), "");
}

TEST(FileLines, LongFilesAreNotHeldWhole) {
  // 40 MB in one line: the first 63999 characters come back, after reading little more than that.
  PieceFile big(std::string(40u << 20, 'x'), 1u << 20);
  EXPECT_EQ(read_joined_lines(big, 63999).size(), 63999u);
  EXPECT_LT(big.position(), 2u << 20);

  // A long line is kept only as far as the cut, and the lines after it still count.
  std::string bytes(200000, 'y');
  bytes += "\r\nsegunda\r\n";
  PieceFile f(bytes, 4096);
  EXPECT_EQ(read_line(f, 2, 63999), "segunda");
  PieceFile g(bytes, 4096);
  EXPECT_EQ(read_line(g, 1, 63999), std::string(63999, 'y'));
}

TEST(FileListings, WhatTheListingsShow) {
  struct Row {
    DirectoryEntry entry;
    bool file, folder;
  };
  const Row rows[] = {
      {{"a.txt", attribute::kArchive}, true, false},
      {{"b.txt", attribute::kNormal}, true, false},
      {{"r.txt", attribute::kReadOnly | attribute::kArchive}, true, false},
      {{"h.txt", attribute::kHidden}, false, false},
      {{"s.sys", attribute::kSystem | attribute::kArchive}, false, false},
      {{"fotos", attribute::kDirectory}, false, true},
      {{"fijo", attribute::kDirectory | attribute::kReadOnly}, false, true},
      {{"oculta", attribute::kDirectory | attribute::kHidden}, false, false},
      {{".", attribute::kDirectory}, false, false},
      {{"..", attribute::kDirectory}, false, false},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(listed_as_file(r.entry), r.file) << r.entry.name;
    EXPECT_EQ(listed_as_folder(r.entry), r.folder) << r.entry.name;
  }
}

}  // namespace
}  // namespace kal
