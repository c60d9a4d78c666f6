#include "interp/statement.h"

#include <algorithm>

#include "common/cp1252.h"

namespace kal {

static_assert(sizeof(Statement) <= 40,
              "a statement should stay small: large scripts prepare all of them at start");

namespace {

void split_fields(std::string_view record, std::vector<FieldSpan>& out) {
  for (std::size_t start = 0;;) {
    std::size_t bar = record.find('|', start);
    const std::size_t end = bar == std::string_view::npos ? record.size() : bar;
    out.push_back(FieldSpan{static_cast<std::uint16_t>(start), static_cast<std::uint16_t>(end - start)});
    if (bar == std::string_view::npos) return;
    start = bar + 1;
  }
}

Route route_of(const Statement& s) {
  const std::string_view r = s.record();
  if (s.field(1) == "." && s.field(2) == "codigo") return Route::Skip;
  if (r.starts_with("BD")) return Route::Database;
  if (r.empty()) return Route::Skip;
  switch (r.front()) {
    case '&':
    case '@':
    case '#':
    case ':':
    case '%':
      return Route::Execute;
    case '.':
      return Route::Command;
    default:
      return Route::Skip;
  }
}

void resolve(Statement& s) {
  const Family* family = find_family(s.field(1));
  if (family == nullptr) return;
  s.family_index = static_cast<std::uint16_t>(family - dispatch_families().data());
  if (family->keyword_at == KeywordAt::None) {
    s.handler = family->handler;
    return;
  }
  // Command words match in any letter case, function words only as written.
  std::string lowered;
  std::string_view word;
  if (family->keyword_at == KeywordAt::Field2Lower) {
    lowered = cp1252::lower(s.field(2));
    word = lowered;
  } else {
    word = s.field(3);
  }
  for (const Keyword& k : family->keywords) {
    if (k.word == word) {
      s.keyword = &k;
      s.handler = k.handler;
      return;
    }
  }
}

}  // namespace

PreparedStatements::PreparedStatements(const std::vector<std::string>& records) {
  // The field array gets exactly the size it needs, so it never moves once statements point into it.
  std::size_t field_total = 0;
  for (const std::string& r : records)
    field_total += 1 + static_cast<std::size_t>(std::count(r.begin(), r.end(), '|'));
  spans_.reserve(field_total);
  statements_.reserve(records.size());
  for (const std::string& r : records) {
    Statement& s = statements_.emplace_back();
    s.text = r.data();
    s.length = static_cast<std::uint16_t>(r.size());
    s.spans = spans_.data() + spans_.size();
    split_fields(r, spans_);
    s.field_count = static_cast<std::uint16_t>(spans_.data() + spans_.size() - s.spans);
    s.route = route_of(s);
    resolve(s);
  }
}

std::string unknown_instruction_text(const Statement& s) {
  std::string text(s.field(1));
  const Family* family = s.family();
  if (family != nullptr && family->keyword_at != KeywordAt::None && s.handler == nullptr) text += s.field(2);
  return text;
}

}  // namespace kal
