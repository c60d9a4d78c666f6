#include "interp/compare.h"
#include "interp/handlers.h"
#include "interp/interpreter.h"

namespace kal {
namespace {

// Every jump consumes the comparison flag, taken or not.
void jump_when(Interpreter& in, bool taken) {
  in.jump_requested = taken;
  in.comparison_flag = 0;
}

}  // namespace

void run_comparison(Interpreter& in, const Statement& s, Comparison how) {
  std::string_view a = in.read(in.variables, s, 3);
  std::string_view b = in.read(in.variables, s, 4);
  in.comparison_flag = compare_values(how, a, b, in.comparison_flag);
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

bool is_jump(Handler handler) {
  return handler == run_jump_if_one || handler == run_jump_if_zero || handler == run_jump;
}

}  // namespace kal
