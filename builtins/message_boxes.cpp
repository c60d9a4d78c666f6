#include "builtins/builtins.h"
#include "common/messages.h"
#include "interp/interpreter.h"

namespace kal {

// aviso and objeto: the operand's text in a box with an OK button.
void run_message(Interpreter& in, const Statement& s) {
  std::string_view text = in.read(in.variables, s, 3);
  in.platform().message_box(msg::kTitleKal, text, Buttons::Ok);
}

// avisosino: a Yes/No question whose answer is the comparison flag, for the jumps that follow.
void run_question(Interpreter& in, const Statement& s) {
  std::string_view text = in.read(in.variables, s, 3);
  Answer answer = in.platform().message_box(msg::kTitleKal, text, Buttons::YesNo);
  in.comparison_flag = answer == Answer::Yes ? 1 : 0;
}

// INPUTDATA: the line the user typed, 255 characters at most (the dialog reads no more); empty when
// cancelled.
std::string fn_inputdata(Interpreter& in, Operands) {
  constexpr std::size_t kMaxInput = 255;
  std::string line = in.platform().input_dialog();
  if (line.size() > kMaxInput) line.resize(kMaxInput);
  return line;
}

}  // namespace kal
