#include "common/halt.h"
#include "interp/handlers.h"
#include "interp/interpreter.h"

namespace kal {

void run_fin(Interpreter&, std::string_view) {
  end_program();
}

// A label does nothing but pause, which keeps a tight loop from taking the whole processor.
void run_label(Interpreter& in, std::string_view) {
  in.platform().pause_milliseconds(1);
}

}  // namespace kal
