#include "builtins/database_statements.h"
#include "builtins/builtins.h"
#include "database/database.h"
#include "interp/arithmetic.h"
#include "interp/interpreter.h"
#include "values/number_reading.h"
#include "values/value.h"

namespace kal {

std::string fn_insertar(Interpreter& in, Operands ops) {
  in.database.insert(ops[0]);
  return "0";
}

std::string fn_rutabd(Interpreter& in, Operands ops) {
  in.database.set_root(ops[0]);
  return "1";
}

// A text that is no number moves to record 0, where every field reads "No datos".
std::string fn_posreg(Interpreter& in, Operands ops) {
  in.database.current_record = read_long_whole_number(ops[0]);
  return "1";
}

std::string fn_arreglon(Interpreter&, Operands ops) {
  return std::to_string(db::element_count(ops[0]));
}

std::string fn_totalreg(Interpreter& in, Operands) {
  return std::to_string(in.database.last_record_number());
}

std::string fn_record(Interpreter& in, Operands) {
  return std::to_string(in.database.current_record);
}

// METER: the target is the list it adds to.
void run_meter(Interpreter& in, const Statement& s) {
  const std::string element(in.read(in.variables, s, 4));
  std::string list(in.read(in.variables, s, 2));
  if (!list.empty()) list += '|';
  list += element;
  in.write(in.variables, s, 2, working_text(list));
}

namespace {

std::string field_value(Interpreter& in, std::string_view field) {
  return in.database.read_field(field, in.window_open);
}

}  // namespace

void run_field_read(Interpreter& in, const Statement& s) {
  in.write(in.variables, s, 2, working_text(field_value(in, s.field(3))));
}

void run_field_read_constant(Interpreter& in, const Statement& s) {
  in.write(in.constants, s, 2, working_text(field_value(in, s.field(3))));
}

void run_field_join(Interpreter& in, const Statement& s) {
  const std::string value = field_value(in, s.field(3));
  in.write(in.variables, s, 2, working_text(join_literal_after(value, s.field(5))));
}

}  // namespace kal
