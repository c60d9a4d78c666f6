// The program-wide state that start-up prepares and the run uses.
#pragma once

#include <string>
#include <vector>

#include "compiler/label_table.h"
#include "interp/random_generator.h"

namespace kal {

struct Program {
  std::string folder;  // the interpreter's own folder, with a trailing backslash
  RandomGenerator random;
  std::size_t token_count = 0;
  std::vector<std::string> statements;  // records 1..S, stored at index 0..S-1
  LabelTable labels;
  std::string database_name;  // the last selector of the script until the run selects one
};

}  // namespace kal
