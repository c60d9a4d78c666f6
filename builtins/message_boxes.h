// The message boxes: aviso and objeto, and the Yes/No question avisosino.
#pragma once

namespace kal {

class Interpreter;
struct Statement;

void run_message(Interpreter& in, const Statement& s);
void run_question(Interpreter& in, const Statement& s);

}  // namespace kal
