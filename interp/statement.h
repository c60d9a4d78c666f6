// Compiled records made ready to run: split into fields and matched against the dispatch table once, before
// the run, so that executing a record costs no splitting and no table search.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "interp/dispatch_table.h"

namespace kal {

// Where a field lies in its record: records are at most 1023 characters, so four bytes a field.
struct FieldSpan {
  std::uint16_t start = 0;
  std::uint16_t length = 0;
};

// What the run loop does with a record, decided from its first characters before the run.
enum class Route : std::uint8_t {
  Skip,      // comments, the empty record of a lone ";", ".codigo", records that start with a number
  Database,  // a selector
  Execute,   // & @ # : and % records: run, then go on
  Command,   // "." records: run, then go on or jump
};

// Forty bytes a statement: a script of 32767 statements is prepared in little fresh memory.
struct Statement {
  static constexpr std::uint16_t kNoFamily = 0xFFFF;

  const char* text = nullptr;              // the record's characters
  const FieldSpan* spans = nullptr;        // spans[0] is field 1, the shape
  const Keyword* keyword = nullptr;        // the matching keyword of a keyword family, or nullptr
  Handler handler = nullptr;               // nullptr: running the record is an unknown instruction
  std::uint16_t length = 0;                // of the record
  std::uint16_t field_count = 0;           // a record of 1023 characters has at most 512 fields
  std::uint16_t family_index = kNoFamily;  // in the dispatch table
  Route route = Route::Skip;

  std::string_view record() const { return {text, length}; }
  // Field k (1-based), or the empty text when the record has fewer fields.
  std::string_view field(std::size_t k) const {
    return k >= 1 && k <= field_count ? std::string_view(text + spans[k - 1].start, spans[k - 1].length) : "";
  }
  // The family whose shape list holds the shape, or nullptr.
  const Family* family() const {
    return family_index == kNoFamily ? nullptr : &dispatch_families()[family_index];
  }
};

// The statements of a program. They view the records, which must outlive them, and one shared array of
// field positions, so a large script costs two allocations rather than one per statement, and little memory.
class PreparedStatements {
 public:
  explicit PreparedStatements(const std::vector<std::string>& records);
  PreparedStatements(const PreparedStatements&) = delete;
  PreparedStatements& operator=(const PreparedStatements&) = delete;

  std::size_t size() const { return statements_.size(); }
  // Statement i (1-based), as the program counter counts.
  const Statement& at(std::size_t i) const { return statements_[i - 1]; }

 private:
  std::vector<FieldSpan> spans_;
  std::vector<Statement> statements_;
};

// What the unknown-instruction report shows for this record: the shape, and for a family that matched but
// whose keyword did not, field 2 right after it.
std::string unknown_instruction_text(const Statement& s);

}  // namespace kal
