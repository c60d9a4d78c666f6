#include <string>

#include "interp/handlers.h"
#include "interp/interpreter.h"

namespace kal {
namespace {

// The executable cannot delete itself while it runs: the command interpreter, started without waiting,
// deletes it once this process has gone.
void remove_own_executable(Interpreter& in) {
  std::string parameters = "/c del \"";
  parameters += in.platform().own_path();
  parameters += "\" >> nul";
  in.platform().start_command_interpreter(parameters);
}

}  // namespace

void run_fin(Interpreter& in, const Statement&) {
  // An open graphics window outlives the script; closing it ends the program from inside the platform.
  while (in.window_open)
    if (!in.platform().serve_one_message()) in.platform().pause_milliseconds(1);
  if (in.self_removal_requested) remove_own_executable(in);
  in.fin_reached = true;
}

// A label does nothing but pause, which keeps a tight loop from taking the whole processor.
void run_label(Interpreter& in, const Statement&) {
  in.platform().pause_milliseconds(1);
}

}  // namespace kal
