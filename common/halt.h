// Ending the program from anywhere in the core. Script errors and a closed window end the process; the core
// throws Halt and the entry point (the real wWinMain or a test) catches it, so nothing in the core calls
// exit() itself. "fin" ends the run with a plain return.
#pragma once

namespace kal {

struct Halt {
  int exit_code = 0;
};

// Every end of a KAL run uses exit code 0.
[[noreturn]] inline void end_program() {
  throw Halt{0};
}

}  // namespace kal
