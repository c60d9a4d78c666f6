// The execution loop, the statement executor and the run state every handler shares.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "database/database.h"
#include "graphics/graphics.h"
#include "interp/program.h"
#include "interp/statement.h"
#include "interp/variable_store.h"
#include "platform/platform.h"

namespace kal {

// The report of a jump to a label no statement registers.
std::string unknown_label_message(std::string_view label);

// Hears a run statement by statement, for stepping and watching it: before each statement the loop reaches,
// with its number. It may read the run state, and may keep the run waiting until the user steps on.
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // The run it hears, told when it is set. A debugger may change a variable while the run waits in
  // before_statement.
  virtual void watching(class Interpreter&) {}
  virtual void before_statement(std::size_t number, const Statement& s) = 0;
  // Told as the run's state goes away (however the run ended), while it can still be read: an observer must
  // not read it afterwards.
  virtual void finished(const class Interpreter&) {}
};

class Interpreter {
 public:
  Interpreter(Platform& platform, Program& program);
  ~Interpreter();
  Interpreter(const Interpreter&) = delete;
  Interpreter& operator=(const Interpreter&) = delete;

  enum class End { PastLastStatement, Fin };
  // Runs statements 1..S. Returns when a "fin" has run or the run goes past the last statement; every other
  // end throws Halt. The usual end is a plain return: it is reached by every script, and a first exception
  // costs a large static program a sort of its unwinding tables.
  End run();
  // Runs one prepared record through its handler.
  void execute(const Statement& s);

  // Shows the unknown-instruction report (the given text, a line break, the message) and ends the program.
  [[noreturn]] void unknown_instruction(std::string_view text);

  // Variables as handlers use them: the name is declared, then read or written. A read gives the value
  // through the working buffer (cut at a NUL and to 63999 characters); the view stays valid until that
  // variable is written again.
  std::string_view read(VariableStore& store, std::string_view name);
  void write(VariableStore& store, std::string_view name, std::string_view text);
  // The same for the name in field k of a statement.
  std::string_view read(VariableStore& store, const Statement& s, std::size_t k);
  void write(VariableStore& store, const Statement& s, std::size_t k, std::string_view text);

  // Nobody listens unless one is set; the loop then pays one test a statement.
  void set_observer(RunObserver* observer) {
    observer_ = observer;
    if (observer != nullptr) observer->watching(*this);
  }

  Platform& platform() { return platform_; }
  RandomGenerator& random() { return program_.random; }
  // The interpreter's own folder, ending in a backslash: where relative paths lead.
  const std::string& program_folder() const { return program_.folder; }

  VariableStore variables;  // &name
  VariableStore constants;  // @name, written once
  Graphics graphics;
  db::Database database;

  // Run state.
  bool jump_requested = false;
  bool fin_reached = false;
  std::int32_t comparison_flag = 0;
  bool self_removal_requested = false;
  bool window_open = false;

 private:
  std::size_t declare(VariableStore& store, std::string_view name);
  std::size_t jump_target(std::string_view label);

  Platform& platform_;
  Program& program_;
  PreparedStatements statements_;
  RunObserver* observer_ = nullptr;
};

}  // namespace kal
