#include "checker/fixes.h"

#include <algorithm>
#include <set>

#include "common/cp1252.h"
#include "compiler/label_table.h"
#include "compiler/token_class.h"
#include "interp/handlers.h"

namespace kal::check {

std::size_t Fixes::extent(std::size_t token) const {
  const auto joined = static_cast<std::size_t>(tokens_[token].data() - text_.data());
  return std::max<std::size_t>(origins_.unbroken(joined, tokens_[token].size()), 1);
}

// "&v", or "&v2", "&v3"... : the first no token of the script names in any letter case, so the new variable
// can neither take another's value nor be confused with one.
std::string Fixes::free_variable() const {
  std::set<std::string, std::less<>> taken;
  for (std::size_t t = 0; t < tokens_.size(); ++t)
    if (tokens_[t].starts_with('&')) taken.insert(cp1252::lower(tokens_[t]));
  std::string name = "&v";
  for (int n = 2; taken.contains(name); ++n) name = "&v" + std::to_string(n);
  return name;
}

std::optional<Fix> Fixes::replace(const StatementPlace& place, const Replacement& r) const {
  if (r.field < 2 || r.field - 2 >= place.field_count) return std::nullopt;
  const std::size_t token = fields_of(place)[r.field - 2];
  const std::string_view word = tokens_[token];
  if (extent(token) != word.size()) return std::nullopt;
  const Edit in_place{token_offsets_[token], word.size(), r.text};
  if (!r.lift) return Fix{"Cambiar por " + r.text, {in_place}};
  // The new line takes the indentation of the statement's own when the statement starts its line.
  const std::size_t line_start = bytes_.find_last_of("\r\n", place.start == 0 ? 0 : place.start - 1);
  const std::size_t from = line_start == std::string_view::npos || place.start == 0 ? 0 : line_start + 1;
  std::string indent(bytes_.substr(from, place.start - from));
  if (indent.find_first_not_of(" \t") != std::string::npos) indent.clear();
  const std::string name = free_variable();
  std::string assignment = name;
  assignment.append(" := ").append(word).append(";").append(line_end_of(bytes_)).append(indent);
  return Fix{"Poner " + std::string(word) + " antes en " + name,
             {Edit{place.start, 0, std::move(assignment)}, Edit{in_place.offset, in_place.length, name}}};
}

std::optional<Fix> Fixes::label(const PreparedStatements& statements, std::span<const StatementPlace> places,
                                std::size_t label, const std::vector<std::string>& names) const {
  std::string name = as_written(statements.at(label).field(2));
  name.erase(std::remove(name.begin(), name.end(), '_'), name.end());
  if (name.empty() || std::find(names.begin(), names.end(), name) != names.end()) return std::nullopt;
  std::optional<Fix> fix = replace(places[label - 1], {2, ":" + name});
  for (std::size_t j = 1; fix && j <= statements.size(); ++j) {
    const Statement& s = statements.at(j);
    if (s.handler == nullptr || !is_jump(s.handler) || s.field(3) != statements.at(label).field(2)) continue;
    const std::optional<Fix> jump = replace(places[j - 1], {3, ":" + name});
    if (!jump) return std::nullopt;
    fix->edits.push_back(jump->edits.front());
  }
  if (fix) fix->title = "Llamar a la etiqueta :" + name;
  return fix;
}

}  // namespace kal::check
