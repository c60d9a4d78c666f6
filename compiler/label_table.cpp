#include "compiler/label_table.h"

#include "compiler/record.h"
#include "compiler/token_class.h"

namespace kal {

LabelTable LabelTable::build(const std::vector<std::string>& records) {
  LabelTable table;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const std::string& r = records[i];
    if (!registers(r)) continue;
    table.last_by_name_[std::string(record_field(r, 2))] = static_cast<std::int32_t>(i + 1);
  }
  return table;
}

bool LabelTable::is_label_statement(std::string_view record) {
  return record_field(record, 1) == ":" && record_field_count(record) == 2;
}

// A name with "_" or "^" converted to a space or a line break is no plain name, so it gets no entry.
bool LabelTable::registers(std::string_view record) {
  return is_label_statement(record) && registers_name(record_field(record, 2));
}

bool LabelTable::registers_name(std::string_view name) {
  return is_plain_name(name);
}

std::int32_t LabelTable::find(std::string_view name) const {
  auto it = last_by_name_.find(name);
  return it == last_by_name_.end() ? 0 : it->second;
}

}  // namespace kal
