// Compiled records made ready to run: split into fields and matched against the dispatch table once, before
// the run, so that executing a record costs no splitting and no table search.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "interp/dispatch_table.h"

namespace kal {

struct Statement {
  std::string_view record;
  std::span<const std::string_view> fields;  // fields[0] is field 1, the shape
  const Family* family = nullptr;            // nullptr: no family has this shape
  const Keyword* keyword = nullptr;          // the matching keyword of a keyword family, or nullptr
  Handler handler = nullptr;                 // nullptr: running the record is an unknown instruction

  // Field k (1-based), or the empty text when the record has fewer fields.
  std::string_view field(std::size_t k) const { return k >= 1 && k <= fields.size() ? fields[k - 1] : ""; }
};

// The statements of a program. They view the records, which must outlive them, and one shared array of
// fields, so a large script costs two allocations rather than one per statement.
class PreparedStatements {
 public:
  explicit PreparedStatements(const std::vector<std::string>& records);
  PreparedStatements(const PreparedStatements&) = delete;
  PreparedStatements& operator=(const PreparedStatements&) = delete;

  std::size_t size() const { return statements_.size(); }
  // Statement i (1-based), as the program counter counts.
  const Statement& at(std::size_t i) const { return statements_[i - 1]; }

 private:
  std::vector<std::string_view> fields_;
  std::vector<Statement> statements_;
};

// What the unknown-instruction report shows for this record: the shape, and for a family that matched but
// whose keyword did not, field 2 right after it.
std::string unknown_instruction_text(const Statement& s);

}  // namespace kal
