// Ending the program from anywhere in the core. Script errors and a closed window end the process; on the
// desktop the core throws Halt and the entry point (the real wWinMain or a test) catches it, so nothing in
// the core calls exit() itself. "fin" ends the run with a plain return.
#pragma once

namespace kal {

struct Halt {
  int exit_code = 0;
};

// Every end of a KAL run uses exit code 0. Each build links one definition: common/halt.cpp throws Halt; the
// browser's ends the run its own way.
[[noreturn]] void end_program();

}  // namespace kal
