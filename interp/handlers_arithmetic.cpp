#include "interp/arithmetic.h"
#include "interp/handlers.h"
#include "interp/interpreter.h"
#include "values/value.h"

namespace kal {
namespace {

// An operand as its shape character says: '&' a variable, '@' a constant (both declared, then read), any
// other a literal, taken from its field as written.
std::string_view fetch(Interpreter& in, char kind, const Statement& s, std::size_t k) {
  if (kind == '&') return in.read(in.variables, s, k);
  if (kind == '@') return in.read(in.constants, s, k);
  return working_text(s.field(k));
}

}  // namespace

// Shapes: the target's '&', A's class, the operator, B's class; fields: 2 the target, 3 A, 4 the operator,
// 5 B. Operands are fetched in field order, then the target is declared and written.
void run_arithmetic(Interpreter& in, const Statement& s) {
  const std::string_view shape = s.field(1);
  const char a_kind = shape[1];
  const char b_kind = shape.back();
  std::string_view a = fetch(in, a_kind, s, 3);
  std::string_view b = fetch(in, b_kind, s, 5);
  std::string result;
  if (a_kind == '~' && b_kind == '~')
    result = std::string(s.field(3)) + std::string(s.field(5));
  else if (a_kind == '~')
    result = join_literal_before(a, b);
  else if (b_kind == '~')
    result = join_literal_after(a, b);
  else
    result = combine(operator_of(s.field(4)), a, b, b_kind == 'v');
  in.write(in.variables, s, 2, result);
}

}  // namespace kal
