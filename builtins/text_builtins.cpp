#include "builtins/builtins.h"
#include "common/cp1252.h"
#include "common/limits.h"
#include "values/number_reading.h"
#include "values/text_functions.h"

namespace kal {

std::string fn_cambiarp(Interpreter&, Operands ops) {
  return replace_all(ops[0], ops[1], ops[2], limits::kMaxValueLength);
}
std::string fn_middlestring(Interpreter&, Operands ops) {
  return std::string(middle_string(ops[0], read_whole_number(ops[1]), read_whole_number(ops[2])));
}
std::string fn_splitdate(Interpreter&, Operands ops) {
  return std::string(select_field(ops[0], ops[1], read_whole_number(ops[2])));
}
std::string fn_leftstring(Interpreter&, Operands ops) {
  return std::string(left_string(ops[0], read_whole_number(ops[1])));
}
std::string fn_rightstring(Interpreter&, Operands ops) {
  return std::string(right_string(ops[0], read_whole_number(ops[1])));
}
std::string fn_sacar(Interpreter&, Operands ops) {
  return std::string(select_field(ops[0], "|", read_whole_number(ops[1])));
}
std::string fn_mask(Interpreter&, Operands ops) {
  return apply_mask(ops[0], ops[1]);
}
std::string fn_car(Interpreter&, Operands ops) {
  return character(read_whole_number(ops[0]));
}
std::string fn_may(Interpreter&, Operands ops) {
  return cp1252::upper(ops[0]);
}
std::string fn_min(Interpreter&, Operands ops) {
  return cp1252::lower(ops[0]);
}
std::string fn_pri(Interpreter&, Operands ops) {
  return capitalize_words(ops[0]);
}
std::string fn_size(Interpreter&, Operands ops) {
  return std::to_string(trimmed_size(ops[0]));
}
std::string fn_nif(Interpreter&, Operands ops) {
  return nif_letter(read_number(ops[0]));
}

}  // namespace kal
