// The interpreter's main sequence: from the command-line tail to the end of the run.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/limits.h"
#include "interp/interpreter.h"
#include "interp/program.h"
#include "platform/platform.h"

namespace kal {

// Runs KAL as the operating system would start it, heard by the observer when one is given. Returns the
// process exit code (always 0).
int run_program(Platform& platform, std::string_view command_tail, RunObserver* observer = nullptr);

// Runs one script as KAL.exe standing in program_folder would (the folder relative paths, the databases and
// the trace lead to, with its trailing backslash): an earlier trace goes, the script is read and compiled (an
// error of the script is shown and ends the program, as Halt), and it runs, heard by the observer when one is
// given.
void run_script(Platform& platform, const std::string& script_path, std::string_view program_folder,
                RunObserver* observer = nullptr);

// Runs a program compiled before (by the checker, for a debugger) as run_script runs the script it compiles.
void run_compiled(Platform& platform, Program program, std::string_view program_folder,
                  RunObserver* observer = nullptr);

// Tokenizes and compiles a script's joined text into `program`. Returns the message of the first error of the
// script, which ends the program before it runs. Only benchmarks lift the token limit.
std::optional<std::string> compile_script(std::string_view text, Program& program,
                                          std::size_t max_tokens = limits::kMaxTokens);

// The trace file's content: the statement count line, an empty line, records 1..S, then T - S empty lines.
std::string trace_text(const std::vector<std::string>& records, std::size_t token_count);

// The settings of the open-file dialog shown when the command line names no script: it opens in the folder of
// the path buffer or, when that has none, in the current directory.
OpenFileRequest script_dialog_request(std::string_view script_path_buffer,
                                      std::string_view current_directory);

// The folder part (with its trailing separator) and the name part of a Windows path.
std::string_view folder_of(std::string_view path);
std::string_view name_of(std::string_view path);

}  // namespace kal
