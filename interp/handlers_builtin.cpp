#include <array>

#include "interp/handlers.h"
#include "interp/interpreter.h"
#include "values/value.h"

namespace kal {
namespace {

// Operands are fields 4 on, one per "&" after "&%" in the shape: declared, read and cut, left to right; then
// the result, cut like every value, goes to the target in the given store.
void call(Interpreter& in, const Statement& s, VariableStore& target_store) {
  std::array<std::string_view, 3> operands;
  const std::size_t count = s.field(1).size() - 2;
  for (std::size_t i = 0; i < count; ++i) operands[i] = in.read(in.variables, s, 4 + i);
  std::string result = s.keyword->builtin(in, std::span<const std::string_view>(operands.data(), count));
  in.write(target_store, s, 2, working_text(result));
}

}  // namespace

void run_builtin(Interpreter& in, const Statement& s) {
  call(in, s, in.variables);
}

void run_builtin_constant(Interpreter& in, const Statement& s) {
  call(in, s, in.constants);
}

// The one function that touches no variable: the target is neither declared nor written.
void run_adios(Interpreter& in, const Statement&) {
  in.self_removal_requested = true;
}

}  // namespace kal
