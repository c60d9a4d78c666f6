// What a person watching a run sees of it: the variables and constants with their values as the script reads
// them, and the state the statements leave (the comparison flag, the database, the graphics). The debugger's
// panel and the page's state panel both show this one view; texts are Windows-1252, as everywhere inside.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "interp/interpreter.h"

namespace kal {

struct ShownValue {
  std::string name;   // without its sigil
  std::string value;  // up to its first NUL, at most the longest value a script holds
  std::string kind;   // the value's class
};

struct RunState {
  std::vector<ShownValue> variables, constants;
  std::int32_t flag = 0;
  std::string database;
  std::int64_t record = 0, search = 0;
  // Every row of the state, the graphics among them, labelled as the panels show them.
  std::vector<std::pair<std::string, std::string>> rows;
};

// A value as the script reads it, with its class.
ShownValue shown_value(std::string name, std::string_view stored);
RunState run_state(const Interpreter& in);

}  // namespace kal
