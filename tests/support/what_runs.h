// What a script runs, as one text to compare two files by: its tokens as the interpreter reads them, each
// command word in small letters as the dispatch matches it, then the error that stops it before it runs or
// its records.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/cp1252.h"
#include "compiler/token_class.h"
#include "interp/program.h"
#include "launcher/script_reader.h"
#include "launcher/startup.h"

namespace kal::test {

inline std::string what_runs(std::string_view file_bytes) {
  std::string text(file_bytes);
  join_lines_in_place(text);
  std::string out;
  for_each_token(text, [&out](std::string_view token) {
    out.append(is_command_word(token) ? cp1252::lower(token) : std::string(token)).append(" ");
    return true;
  });
  Program program;
  if (const std::optional<std::string> error = compile_script(text, program))
    return out.append("\nerror: ").append(*error);
  out.append("\n").append(std::to_string(program.token_count)).append(" ").append(program.database_name);
  for (std::string record : program.statements) {
    // A command's record holds its word as written: the run reads it in small letters.
    if (record.starts_with('.')) {
      const std::size_t word = record.find('|') + 1, end = record.find('|', word);
      if (word != 0) record.replace(word, end - word, cp1252::lower(record.substr(word, end - word)));
    }
    out.append("\n").append(record);
  }
  return out;
}

}  // namespace kal::test
