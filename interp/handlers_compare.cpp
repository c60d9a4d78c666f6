#include "interp/compare.h"
#include "interp/handlers.h"
#include "interp/interpreter.h"

namespace kal {
namespace {

void compare(Interpreter& in, const Statement& s, Comparison how) {
  std::string_view a = in.read(in.variables, s.field(3));
  std::string_view b = in.read(in.variables, s.field(4));
  in.comparison_flag = compare_values(how, a, b, in.comparison_flag);
}

// Every jump consumes the comparison flag, taken or not.
void jump_when(Interpreter& in, bool taken) {
  in.jump_requested = taken;
  in.comparison_flag = 0;
}

}  // namespace

void run_cmp(Interpreter& in, const Statement& s) {
  compare(in, s, Comparison::Same);
}
void run_dis(Interpreter& in, const Statement& s) {
  compare(in, s, Comparison::Different);
}
void run_mar(Interpreter& in, const Statement& s) {
  compare(in, s, Comparison::Greater);
}
void run_mer(Interpreter& in, const Statement& s) {
  compare(in, s, Comparison::Less);
}
void run_mai(Interpreter& in, const Statement& s) {
  compare(in, s, Comparison::GreaterOrEqual);
}
void run_mei(Interpreter& in, const Statement& s) {
  compare(in, s, Comparison::LessOrEqual);
}

void run_jump_if_one(Interpreter& in, const Statement&) {
  jump_when(in, in.comparison_flag == 1);
}
void run_jump_if_zero(Interpreter& in, const Statement&) {
  jump_when(in, in.comparison_flag == 0);
}
void run_jump(Interpreter& in, const Statement&) {
  jump_when(in, true);
}

}  // namespace kal
