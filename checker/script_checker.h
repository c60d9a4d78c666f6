// Finds every problem of a script without running it, with the line and column where each one starts. It
// reads the script as the interpreter does, through the same tokenizer, class tests, compiler and dispatch
// table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "interp/program.h"

namespace kal::check {

// An edit of the file: the bytes [offset, offset + length) replaced by text (Windows-1252).
struct Edit {
  std::size_t offset = 0;
  std::size_t length = 0;
  std::string text;
};
// The mend of a problem when it is certain: applied, the problem is gone.
struct Fix {
  std::string title;  // Windows-1252, as the messages
  std::vector<Edit> edits;
};

struct Problem {
  std::size_t line = 1;    // from 1; CR LF, CR and LF each end a line, as editors count them
  std::size_t column = 1;  // from 1, in characters (one byte each)
  bool error = true;       // false: a warning
  std::string message;     // Windows-1252, like the interpreter's own texts
  std::size_t offset = 0;  // of the byte at line and column
  std::size_t length = 1;  // the word it names, up to its line's end (a word joined across lines starts here)
  std::optional<Fix> fix;
};

// A word of the script that names something, for editors: where it is and what it is. A large script names
// hundreds of thousands, so the counts that cannot pass 2^32 for any file a checker reads are kept in 32
// bits.
struct Word {
  enum class Kind : std::uint8_t { Variable, Constant, Field, Label, Jump, Selector, Command, Function };
  std::string text;          // as written, sigil included (Windows-1252)
  std::size_t offset = 0;    // in the file
  std::uint32_t length = 0;  // in the file, up to its line's end
  std::uint32_t line = 1;    // of its first character, from 1
  // For a jump or a label: the label word the interpreter's label table chooses for its name (the last
  // registered label statement of that name), as an index into Analysis::words; kNone when none registers.
  std::uint32_t target = kNone;
  Kind kind = Kind::Variable;
  bool assigned = false;  // a variable or constant that receives a value here
  static constexpr std::uint32_t kNone = static_cast<std::uint32_t>(-1);
};

struct Analysis {
  std::vector<Problem> problems;  // ordered by where they are
  std::vector<Word> words;        // in the order of the file
  // The line where each compiled statement starts, in the order the run numbers them (from 1).
  std::vector<std::size_t> statement_lines;
  // False when the interpreter would refuse the script before running it (a refused word, its outer form, a
  // limit); the errors say why.
  bool compiles = false;
};

// Where each line of a file starts, as editors count lines: CR LF, CR and LF each end one.
std::vector<std::size_t> line_starts(std::string_view bytes);

// The problems of a script's file bytes, ordered by where they are.
std::vector<Problem> check_script(std::string_view file_bytes);
// The problems and the named words together, from one reading; and when the script compiles and `compiled`
// is given, the program the interpreter would run, so that a debugger compiles it only once.
Analysis analyze_script(std::string_view file_bytes, Program* compiled = nullptr);

// "file:line:column: error: message" (or "warning"), in UTF-8.
std::string format_problem(std::string_view file_name, const Problem& problem);

}  // namespace kal::check
