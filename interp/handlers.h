// The interpreter's own statement handlers, grouped by the file that defines them; the library's are in
// builtins/.
#pragma once

#include "interp/compare.h"
#include "interp/dispatch_table.h"

namespace kal {

class Interpreter;
struct Statement;

// handlers_core.cpp: the end statement and labels.
void run_fin(Interpreter& in, const Statement& s);
void run_label(Interpreter& in, const Statement& s);

// handlers_assign.cpp: assignments of literals and variables.
void run_assign_literal(Interpreter& in, const Statement& s);
void run_copy_variable(Interpreter& in, const Statement& s);
void run_assign_constant(Interpreter& in, const Statement& s);

// handlers_arithmetic.cpp: arithmetic and joining.
void run_arithmetic(Interpreter& in, const Statement& s);

// handlers_builtin.cpp: built-in function calls.
void run_builtin(Interpreter& in, const Statement& s);
void run_builtin_constant(Interpreter& in, const Statement& s);
void run_adios(Interpreter& in, const Statement& s);

// handlers_compare.cpp: comparisons and jumps. One handler per comparison word, all of one shape.
void run_comparison(Interpreter& in, const Statement& s, Comparison how);
template <Comparison How>
void run_compare(Interpreter& in, const Statement& s) {
  run_comparison(in, s, How);
}
void run_jump_if_one(Interpreter& in, const Statement& s);
void run_jump_if_zero(Interpreter& in, const Statement& s);
void run_jump(Interpreter& in, const Statement& s);
// Whether a handler is one of the jumps, whose field 3 names the label.
bool is_jump(Handler handler);

}  // namespace kal
