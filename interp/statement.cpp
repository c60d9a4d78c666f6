#include "interp/statement.h"

#include "common/cp1252.h"
#include "compiler/record.h"

namespace kal {

Statement prepare_statement(std::string_view record) {
  Statement s;
  s.record = record;
  for (std::size_t start = 0;;) {
    std::size_t bar = record.find('|', start);
    s.fields.push_back(
        record.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start));
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  s.family = find_family(s.field(1));
  if (s.family == nullptr) return s;
  if (s.family->keyword_at == KeywordAt::None) {
    s.handler = s.family->handler;
    return s;
  }
  // Command words match in any letter case, function words only as written.
  std::string lowered;
  std::string_view word;
  if (s.family->keyword_at == KeywordAt::Field2Lower) {
    lowered = cp1252::lower(record);
    word = record_field(lowered, 2);
  } else {
    word = s.field(3);
  }
  for (const Keyword& k : s.family->keywords) {
    if (k.word == word) {
      s.keyword = &k;
      s.handler = k.handler;
      break;
    }
  }
  return s;
}

std::string unknown_instruction_text(const Statement& s) {
  std::string text(s.field(1));
  if (s.family != nullptr && s.family->keyword_at != KeywordAt::None && s.handler == nullptr)
    text += s.field(2);
  return text;
}

}  // namespace kal
