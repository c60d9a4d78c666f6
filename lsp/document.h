// An open script as the language server holds it: the client's text as the interpreter reads it, its
// analysis, and positions in both counts. Clients count UTF-16 units; every character of a KAL script is one
// byte, so the text is kept with one byte for each UTF-16 unit (a unit Windows-1252 lacks becomes "?") and a
// byte's column is its UTF-16 column.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "checker/script_checker.h"
#include "common/limits.h"

namespace kal::lsp {

struct Position {
  std::size_t line = 0;       // from 0
  std::size_t character = 0;  // UTF-16 units from the line's start
};

class Document {
 public:
  static constexpr std::size_t kMaxBytes = limits::kMaxToolScriptBytes;

  // The client's text is let go once converted, before the script is read.
  explicit Document(std::string utf8);

  // Longer than kMaxBytes: not read at all, so it names no word and has no problem but its size.
  bool too_large() const { return too_large_; }
  const std::string& bytes() const { return bytes_; }
  const check::Analysis& analysis() const { return analysis_; }
  Position position(std::size_t offset) const;
  std::size_t offset(Position position) const;  // clamped to the line's end
  // The line of an offset, from 0; and the text of a line without its end.
  std::size_t line_of(std::size_t offset) const;
  std::string_view line_text(std::size_t line) const;
  // The named word that covers this offset, or nullptr.
  const check::Word* word_at(std::size_t offset) const;

 private:
  std::string bytes_;
  bool too_large_;
  std::vector<std::size_t> line_starts_;
  check::Analysis analysis_;
};

// The client's UTF-8 text with one Windows-1252 byte for each UTF-16 unit.
std::string one_byte_per_unit(std::string_view utf8);

}  // namespace kal::lsp
