// The words a compiled statement names, for editors: its variables, constants, fields, labels, jumps,
// selector, command and function, each with the token it was written as.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "checker/hints.h"
#include "checker/script_checker.h"
#include "interp/statement.h"

namespace kal::check {

// The words a statement names, by the codes of its shape, each given to add(kind, token, assigned) with the
// token of its field (`fields`: the tokens of fields 2 on); comments name none.
template <class Add>
void note_words(const Statement& s, std::span<const std::uint32_t> fields, Add add) {
  const std::string_view shape = s.field(1);
  if (shape.empty() || shape.front() == '\'') return;
  if (shape.starts_with("BD")) {
    if (!fields.empty()) add(Word::Kind::Selector, fields.front(), false);
    return;
  }
  const std::vector<std::string_view> codes = shape_codes(shape);
  const bool assignment = shape.front() == '&' || shape.front() == '@';
  for (std::size_t k = 0; k < codes.size() && k < fields.size(); ++k) {
    const std::string_view code = codes[k];
    const std::size_t token = fields[k];
    if (code == "&")
      add(Word::Kind::Variable, token, k == 0 && assignment);
    else if (code == "@")
      add(Word::Kind::Constant, token, k == 0 && assignment);
    else if (code == "#")
      add(Word::Kind::Field, token, false);
    else if (code == ":")
      add(shape == ":" ? Word::Kind::Label : Word::Kind::Jump, token, false);
    else if (code == "." && k == 0)
      add(Word::Kind::Command, token, false);
    else if (code == "%")
      add(Word::Kind::Function, token, false);
  }
}

}  // namespace kal::check
