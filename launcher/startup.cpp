#include "launcher/startup.h"

#include <algorithm>

#include "common/halt.h"
#include "common/limits.h"
#include "common/messages.h"
#include "compiler/statement_compiler.h"
#include "interp/interpreter.h"
#include "interp/program.h"
#include "launcher/packed_script.h"
#include "launcher/script_reader.h"
#include "values/text_functions.h"

namespace kal {
namespace {

[[noreturn]] void refuse(Platform& platform, std::string_view message) {
  platform.message_box(msg::kTitleProgrammer, message, Buttons::Ok);
  end_program();
}

// An interpreter started under another name renames its file to KAL.exe and ends; a failed rename changes
// nothing.
bool enforce_own_name(Platform& platform, std::string_view own_path) {
  std::string_view folder = folder_of(own_path);
  std::string_view file = name_of(own_path);
  std::string_view name = file.substr(0, std::min(file.rfind('.'), file.size()));
  if (name == msg::kOwnName) return true;
  std::string from = std::string(folder) + std::string(name) + std::string(msg::kExeExtension);
  std::string to = std::string(folder) + std::string(msg::kOwnName) + std::string(msg::kExeExtension);
  platform.rename_file(from, to);
  return false;
}

std::string script_path_from(Platform& platform, std::string_view command_tail) {
  std::string path;
  for (char c : command_tail)
    if (c != '"') path.push_back(c);
  if (!path.empty()) return path.substr(0, limits::kMaxScriptPath);
  std::string chosen = platform.open_file_dialog(script_dialog_request(path, platform.current_directory()));
  return std::string(trim_spaces(chosen)).substr(0, limits::kMaxScriptPath);
}

std::string trace_path(const Program& program) {
  return program.folder + std::string(msg::kTraceFileName);
}

void write_trace(Platform& platform, const Program& program) {
  const std::string path = trace_path(program);
  // One append gives the same bytes as one append per line, without reopening the file 100000 times.
  platform.append_file(path, trace_text(program.statements, program.token_count));
  platform.shell_open(path);
}

// Tokenizes and compiles the script's file bytes; ends the program on any error of the script.
void load_script(Platform& platform, std::string text, Program& program) {
  join_lines_in_place(text);
  if (auto failure = compile_script(text, program)) refuse(platform, *failure);
}

void run_text(Platform& platform, std::string text, std::string_view program_folder, RunObserver* observer);

int start(Platform& platform, std::string_view command_tail, RunObserver* observer) {
  const std::string own_path = platform.own_path();
  // A packed program runs the script it carries, under whatever name it was given, with no script from its
  // command line.
  if (PackedScript packed = packed_script(platform, own_path); packed.state != PackedScript::State::None) {
    if (packed.state == PackedScript::State::Damaged) refuse(platform, msg::kDamagedProgram);
    run_text(platform, std::move(packed.script), folder_of(own_path).substr(0, limits::kMaxProgramFolder),
             observer);
    return 0;
  }
  if (!enforce_own_name(platform, own_path)) return 0;
  // The trace of an earlier run goes before the open-file dialog is shown.
  const std::string folder = std::string(folder_of(own_path)).substr(0, limits::kMaxProgramFolder);
  platform.set_attributes(folder + std::string(msg::kTraceFileName), 0);
  platform.delete_file(folder + std::string(msg::kTraceFileName));
  run_script(platform, script_path_from(platform, command_tail), folder, observer);
  return 0;
}

}  // namespace

namespace {

// A run starts in its folder with a fresh seed, and an earlier trace goes.
void start_afresh(Platform& platform, Program& program, std::string_view program_folder) {
  program.folder = std::string(program_folder).substr(0, limits::kMaxProgramFolder);
  program.random.seed(time_of_day_seed(platform.local_time()));
  platform.set_attributes(trace_path(program), 0);
  platform.delete_file(trace_path(program));
}

void run_to_its_end(Platform& platform, Program& program, RunObserver* observer) {
  Interpreter interpreter(platform, program);
  interpreter.set_observer(observer);
  if (interpreter.run() == Interpreter::End::PastLastStatement) write_trace(platform, program);
}

void run_text(Platform& platform, std::string text, std::string_view program_folder, RunObserver* observer) {
  Program program;
  start_afresh(platform, program, program_folder);
  load_script(platform, std::move(text), program);
  run_to_its_end(platform, program, observer);
}

}  // namespace

void run_script(Platform& platform, const std::string& script_path, std::string_view program_folder,
                RunObserver* observer) {
  // The trace goes before the script is read, as it always has.
  Program program;
  start_afresh(platform, program, program_folder);
  load_script(platform, platform.read_file(script_path).value_or(std::string()), program);
  run_to_its_end(platform, program, observer);
}

void run_compiled(Platform& platform, Program program, std::string_view program_folder,
                  RunObserver* observer) {
  start_afresh(platform, program, program_folder);
  run_to_its_end(platform, program, observer);
}

std::string_view folder_of(std::string_view path) {
  std::size_t sep = path.find_last_of("\\/");
  return sep == std::string_view::npos ? std::string_view() : path.substr(0, sep + 1);
}

std::string_view name_of(std::string_view path) {
  return path.substr(folder_of(path).size());
}

OpenFileRequest script_dialog_request(std::string_view script_path_buffer,
                                      std::string_view current_directory) {
  OpenFileRequest request;
  // Without a folder Windows would open where this program or the user last chose a file.
  std::string_view folder = folder_of(script_path_buffer);
  request.initial_folder = std::string(folder.empty() ? current_directory : folder).substr(0, 254);
  request.initial_name = std::string(name_of(script_path_buffer));
  request.filter_description = msg::kOpenFilterDescription;
  request.filter_pattern = msg::kOpenFilterPattern;
  request.default_extension = msg::kOpenDefaultExtension;
  request.file_must_exist = true;
  request.resizable = true;
  request.explorer_style = true;
  request.hide_read_only = true;
  request.keep_current_folder = true;
  request.max_path = limits::kMaxScriptPath;
  return request;
}

std::string trace_text(const std::vector<std::string>& records, std::size_t token_count) {
  std::string out;
  out += msg::kTraceCountPrefix;
  out += std::to_string(records.size());
  out += msg::kTraceCountSuffix;
  out += "\r\n\r\n";
  for (const std::string& r : records) {
    out += r;
    out += "\r\n";
  }
  for (std::size_t i = records.size(); i < token_count; ++i) out += "\r\n";
  return out;
}

std::optional<std::string> compile_script(std::string_view text, Program& program, std::size_t max_tokens) {
  // The limits are checked before compiling, so a first pass counts the tokens without keeping them; the
  // second compiles them as they come. The outer form is judged only once every token is compiled.
  const OuterForm form = survey(text, max_tokens);
  if (form.tokens > max_tokens) return std::string(msg::kTooManyTokens);
  if (form.statements > limits::kMaxStatements) return std::string(msg::kTooManyStatements);

  StatementCompiler compiler;
  compiler.reserve(form.statements);
  std::optional<std::string> failure;
  for_each_token(text, [&](std::string_view token) {
    // Tokens never hold spaces (a space always ends one), so trimming them would change nothing.
    if (compiler.compile(token)) return true;
    // A box shows its text up to the first NUL, so a token holding one is shown up to it, and the message
    // after it still shows.
    failure = std::string(token.substr(0, token.find('\0')));
    *failure += msg::kBreak;
    *failure += msg::kBadExpression;
    return false;
  });
  if (failure) return failure;
  if (auto bad_form = check_outer_form(form)) return std::string(*bad_form);

  program.token_count = form.tokens;
  program.statements = compiler.take_records();
  program.database_name = compiler.database_name();
  program.labels = LabelTable::build(program.statements);
  return std::nullopt;
}

int run_program(Platform& platform, std::string_view command_tail, RunObserver* observer) {
  try {
    return start(platform, command_tail, observer);
  } catch (const Halt& halt) {
    return halt.exit_code;
  }
}

}  // namespace kal
