// A compiled record made ready to run: split into fields and matched against the dispatch table once, before
// the run, so that executing it costs no splitting and no table search.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "interp/dispatch_table.h"

namespace kal {

struct Statement {
  std::string_view record;
  std::vector<std::string_view> fields;  // fields[0] is field 1, the shape
  const Family* family = nullptr;        // nullptr: no family has this shape
  const Keyword* keyword = nullptr;      // the matching keyword of a keyword family, or nullptr
  Handler handler = nullptr;             // nullptr: running the record is an unknown instruction

  // Field k (1-based), or the empty text when the record has fewer fields.
  std::string_view field(std::size_t k) const { return k >= 1 && k <= fields.size() ? fields[k - 1] : ""; }
};

Statement prepare_statement(std::string_view record);

// What the unknown-instruction report shows for this record: the shape, and for a family that matched but
// whose keyword did not, field 2 right after it.
std::string unknown_instruction_text(const Statement& s);

}  // namespace kal
