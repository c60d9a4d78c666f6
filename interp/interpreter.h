// The execution loop and the statement executor.
#pragma once

#include <cstdint>
#include <string_view>

#include "interp/program.h"
#include "platform/platform.h"

namespace kal {

class Interpreter {
 public:
  Interpreter(Platform& platform, Program& program) : platform_(platform), program_(program) {}

  // Runs statements 1..S. Returns only when the run goes past the last statement; every other end throws
  // Halt.
  void run();
  // Runs one record through the dispatch table.
  void execute(std::string_view record);

  // Shows the unknown-instruction report (the given text, a line break, the message) and ends the program.
  [[noreturn]] void unknown_instruction(std::string_view text);

  Platform& platform() { return platform_; }
  Program& program() { return program_; }

  // Run state.
  bool jump_requested = false;
  std::int64_t current_record = 0;
  std::int64_t search_position = 0;

 private:
  std::size_t jump_target(std::string_view label);

  Platform& platform_;
  Program& program_;
};

}  // namespace kal
