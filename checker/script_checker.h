// Finds every problem of a script without running it, with the line and column where each one starts. It
// reads the script as the interpreter does, through the same tokenizer, class tests, compiler and dispatch
// table.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kal::check {

struct Problem {
  std::size_t line = 1;    // from 1; CR LF, CR and LF each end a line, as editors count them
  std::size_t column = 1;  // from 1, in characters (one byte each)
  bool error = true;       // false: a warning
  std::string message;     // Windows-1252, like the interpreter's own texts
};

// The problems of a script's file bytes, ordered by where they are.
std::vector<Problem> check_script(std::string_view file_bytes);

// "file:line:column: error: message" (or "warning"), in UTF-8.
std::string format_problem(std::string_view file_name, const Problem& problem);

}  // namespace kal::check
