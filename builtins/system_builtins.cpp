#include "builtins/builtins.h"
#include "interp/interpreter.h"

namespace kal {

std::string fn_sistemalog(Interpreter& in, Operands) {
  return std::to_string(in.comparison_flag);
}

std::string fn_debug(Interpreter&, Operands) {
  return "1";
}

// The desktop window's right and bottom edges, less room for a window's border and caption.
std::string fn_screen_width(Interpreter& in, Operands) {
  return std::to_string(in.platform().screen_size().width - 7);
}
std::string fn_screen_height(Interpreter& in, Operands) {
  return std::to_string(in.platform().screen_size().height - 29);
}

}  // namespace kal
