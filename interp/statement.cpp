#include "interp/statement.h"

#include "common/cp1252.h"
#include "compiler/record.h"

namespace kal {
namespace {

void split_fields(std::string_view record, std::vector<std::string_view>& out) {
  for (std::size_t start = 0;;) {
    std::size_t bar = record.find('|', start);
    if (bar == std::string_view::npos) {
      out.push_back(record.substr(start));
      return;
    }
    out.push_back(record.substr(start, bar - start));
    start = bar + 1;
  }
}

void resolve(Statement& s) {
  s.family = find_family(s.field(1));
  if (s.family == nullptr) return;
  if (s.family->keyword_at == KeywordAt::None) {
    s.handler = s.family->handler;
    return;
  }
  // Command words match in any letter case, function words only as written.
  std::string lowered;
  std::string_view word;
  if (s.family->keyword_at == KeywordAt::Field2Lower) {
    lowered = cp1252::lower(s.record);
    word = record_field(lowered, 2);
  } else {
    word = s.field(3);
  }
  for (const Keyword& k : s.family->keywords) {
    if (k.word == word) {
      s.keyword = &k;
      s.handler = k.handler;
      return;
    }
  }
}

}  // namespace

PreparedStatements::PreparedStatements(const std::vector<std::string>& records) {
  // Fields first, all of them, so the array no longer moves when the statements take views of it.
  std::vector<std::size_t> first_field;
  first_field.reserve(records.size() + 1);
  for (const std::string& r : records) {
    first_field.push_back(fields_.size());
    split_fields(r, fields_);
  }
  first_field.push_back(fields_.size());
  statements_.reserve(records.size());
  for (std::size_t i = 0; i < records.size(); ++i) {
    Statement& s = statements_.emplace_back();
    s.record = records[i];
    s.fields = std::span<const std::string_view>(fields_).subspan(first_field[i],
                                                                  first_field[i + 1] - first_field[i]);
    resolve(s);
  }
}

std::string unknown_instruction_text(const Statement& s) {
  std::string text(s.field(1));
  if (s.family != nullptr && s.family->keyword_at != KeywordAt::None && s.handler == nullptr)
    text += s.field(2);
  return text;
}

}  // namespace kal
