// Statement handlers of the dispatch table, grouped by the file that defines them.
#pragma once

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

// handlers_compare.cpp: comparisons and jumps.
void run_cmp(Interpreter& in, const Statement& s);
void run_dis(Interpreter& in, const Statement& s);
void run_mar(Interpreter& in, const Statement& s);
void run_mer(Interpreter& in, const Statement& s);
void run_mai(Interpreter& in, const Statement& s);
void run_mei(Interpreter& in, const Statement& s);
void run_jump_if_one(Interpreter& in, const Statement& s);
void run_jump_if_zero(Interpreter& in, const Statement& s);
void run_jump(Interpreter& in, const Statement& s);

// graphics/message_boxes.cpp: aviso and objeto, avisosino.
void run_message(Interpreter& in, const Statement& s);
void run_question(Interpreter& in, const Statement& s);

}  // namespace kal
