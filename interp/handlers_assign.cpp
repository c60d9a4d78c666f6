#include "interp/handlers.h"
#include "interp/interpreter.h"
#include "values/value.h"

namespace kal {

// The literal as the compiler left it: numbers and masks exactly as written, texts with "_" and "^" already
// turned into blanks and line breaks.
void run_assign_literal(Interpreter& in, const Statement& s) {
  in.write(in.variables, s, 2, working_text(s.field(3)));
}

// The source is declared before the target, so it takes the lower slot when both are new.
void run_copy_variable(Interpreter& in, const Statement& s) {
  std::string_view value = in.read(in.variables, s, 3);
  in.write(in.variables, s, 2, value);
}

void run_assign_constant(Interpreter& in, const Statement& s) {
  in.write(in.constants, s, 2, working_text(s.field(3)));
}

}  // namespace kal
