// Statement handlers of the interpreter core.
#pragma once

#include <string_view>

namespace kal {

class Interpreter;

void run_fin(Interpreter& in, std::string_view record);
void run_label(Interpreter& in, std::string_view record);

}  // namespace kal
