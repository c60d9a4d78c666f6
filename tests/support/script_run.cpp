#include "tests/support/script_run.h"

#include <gtest/gtest.h>

#include "common/halt.h"
#include "compiler/statement_compiler.h"
#include "launcher/script_reader.h"

namespace kal {

std::vector<std::string_view> tokenize(std::string_view text, std::size_t max_tokens) {
  std::vector<std::string_view> tokens;
  for_each_token(text, [&](std::string_view token) {
    tokens.push_back(token);
    return tokens.size() <= max_tokens;
  });
  return tokens;
}

}  // namespace kal

namespace kal::test {
namespace {

std::string value_in(const VariableStore& store, std::string_view name) {
  std::size_t slot = store.index(name);
  return slot == 0 ? "(none)" : store.value(slot);
}

}  // namespace

ScriptRun::ScriptRun(std::string_view source) {
  std::string text = ".codigo ; " + std::string(source) + " .fin ;";
  StatementCompiler compiler;
  for (std::string_view token : tokenize(text, 1000000)) EXPECT_TRUE(compiler.compile(token)) << token;
  program.statements = compiler.take_records();
  program.database_name = compiler.database_name();
  program.labels = LabelTable::build(program.statements);
  program.folder = platform.current_folder;  // as start-up finds it: the folder of C:\kal\KAL.exe
  interpreter = std::make_unique<Interpreter>(platform, program);
}

ScriptRun& ScriptRun::answer(Reply::Kind kind) {
  platform.replies.push_back(Reply{kind, {}});
  return *this;
}

void ScriptRun::run() {
  try {
    if (interpreter->run() == Interpreter::End::PastLastStatement) ADD_FAILURE() << "the run went past .fin";
  } catch (const Halt&) {
  }
}

std::string ScriptRun::variable(std::string_view name) const {
  return value_in(interpreter->variables, name);
}

std::string ScriptRun::constant(std::string_view name) const {
  return value_in(interpreter->constants, name);
}

std::vector<std::string> ScriptRun::messages() const {
  std::vector<std::string> out;
  for (const auto& [title, text] : platform.boxes())
    if (title == "KAL") out.push_back(text);
  return out;
}

}  // namespace kal::test
