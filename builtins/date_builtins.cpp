#include "builtins/builtins.h"
#include "interp/interpreter.h"
#include "values/date_functions.h"
#include "values/number_reading.h"

namespace kal {

std::string fn_today(Interpreter& in, Operands) {
  const LocalTime now = in.platform().local_time();
  return date_text(now.day, now.month, now.year);
}
std::string fn_weekdayname(Interpreter&, Operands ops) {
  return std::string(weekday_name(ops[0]));
}
std::string fn_monthname(Interpreter&, Operands ops) {
  return std::string(month_name(read_whole_number(ops[0])));
}
std::string fn_numb(Interpreter&, Operands ops) {
  return without_commas(ops[0]);
}
std::string fn_ennumb(Interpreter&, Operands ops) {
  return number_notation(ops[0], kEnglish);
}
std::string fn_esnumb(Interpreter&, Operands ops) {
  return number_notation(ops[0], kSpanish);
}
std::string fn_spnumb(Interpreter&, Operands ops) {
  return number_notation(ops[0], kSpanishApostrophe);
}

}  // namespace kal
