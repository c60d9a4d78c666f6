#include <cmath>

#include "builtins/builtins.h"
#include "builtins/numeric_functions.h"
#include "common/extended.h"
#include "interp/interpreter.h"
#include "values/number_format.h"
#include "values/number_reading.h"

namespace kal {
namespace {

constexpr int kDigits = 15;

std::string plain(long double x) {
  return plain_number_text(x, kDigits);
}
std::string display(long double x) {
  return display_format(x, kDigits);
}

std::uint64_t time_of_day(Interpreter& in) {
  return time_of_day_seed(in.platform().local_time());
}

}  // namespace

std::string fn_abs(Interpreter&, Operands ops) {
  return plain(std::fabs(read_number(ops[0])));
}

// A negative number has no real root: it is shown as it is.
std::string fn_sqr(Interpreter&, Operands ops) {
  const long double x = read_number(ops[0]);
  return display(x < 0 ? x : ext::sqrt(x));
}
std::string fn_sin(Interpreter&, Operands ops) {
  return display(ext::sin(read_number(ops[0])));
}
std::string fn_cos(Interpreter&, Operands ops) {
  return display(ext::cos(read_number(ops[0])));
}
std::string fn_tan(Interpreter&, Operands ops) {
  const long double x = read_number(ops[0]);
  return display(ext::div(ext::sin(x), ext::cos(x)));
}
std::string fn_atn(Interpreter&, Operands ops) {
  return display(ext::atan(read_number(ops[0])));
}

std::string fn_per(Interpreter&, Operands ops) {
  return plain(read_number(ops[0]) * read_number(ops[1]) / 100);
}
std::string fn_pow(Interpreter&, Operands ops) {
  return plain(whole_power(read_whole_number(ops[0]), read_whole_number(ops[1])));
}
std::string fn_rva(Interpreter&, Operands ops) {
  return std::to_string(
      colour_number(read_whole_number(ops[0]), read_whole_number(ops[1]), read_whole_number(ops[2])));
}

std::string fn_rnd(Interpreter& in, Operands ops) {
  return std::to_string(draw_between(in.random(), read_whole_number(ops[0]), read_whole_number(ops[1])));
}

std::string fn_rndf(Interpreter& in, Operands ops) {
  const float a = to_single(read_number(ops[0]));
  const float b = to_single(read_number(ops[1]));
  const float step = decimals_step(point_position_decimals(a, b));
  return plain(draw_on_grid(in.random(), a, b, step, time_of_day(in)));
}

std::string fn_rndfstr(Interpreter& in, Operands ops) {
  const float a = to_single(read_number(ops[0]));
  const float b = to_single(read_number(ops[1]));
  const int decimals = read_short_whole_number(ops[2]);
  return fixed_decimals(draw_on_grid(in.random(), a, b, decimals_step(decimals), time_of_day(in)), decimals);
}

}  // namespace kal
