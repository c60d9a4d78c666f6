// The statements that read database fields, and METER, which works on its own target.
#pragma once

namespace kal {

class Interpreter;
struct Statement;

void run_meter(Interpreter& in, const Statement& s);
void run_field_read(Interpreter& in, const Statement& s);
void run_field_read_constant(Interpreter& in, const Statement& s);
void run_field_join(Interpreter& in, const Statement& s);

}  // namespace kal
