// The mends the checker offers when they are certain, as edits of the file: a word written anew, a label
// renamed with its jumps, a literal put first in a variable of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "checker/hints.h"
#include "checker/joined_text.h"
#include "checker/script_checker.h"
#include "interp/statement.h"

namespace kal::check {

// Where a compiled statement's tokens were: its first token, and the token of each field after the shape.
struct StatementPlace {
  std::uint32_t start = 0;        // in the file
  std::uint32_t first_token = 0;  // in the checker's token list
  // Its fields' tokens, in the checker's list of them: the first is field 2. One list for all statements
  // spares a script of a hundred thousand statements as many small allocations.
  std::uint32_t first_field = 0;
  std::uint32_t field_count = 0;
  bool cut = false;
  bool bad_token = false;  // its record lacks a refused token, so its shape says nothing more
};

class Fixes {
 public:
  Fixes(std::string_view bytes, const std::string& text, const TokenList& tokens, const Origins& origins,
        const std::vector<std::uint32_t>& token_offsets, const std::vector<std::uint32_t>& field_tokens)
      : bytes_(bytes),
        text_(text),
        tokens_(tokens),
        origins_(origins),
        token_offsets_(token_offsets),
        field_tokens_(field_tokens) {}

  std::span<const std::uint32_t> fields_of(const StatementPlace& place) const {
    return {field_tokens_.data() + place.first_field, place.field_count};
  }
  // How many bytes of the file the token covers from its start before a line end interrupts it.
  std::size_t extent(std::size_t token) const;

  // The word of a statement's field written anew (r.lift: the field's literal put on a new line before the
  // statement, in a variable the script does not use, and that variable in its place), when the word stands
  // on one line.
  std::optional<Fix> replace(const StatementPlace& place, const Replacement& r) const;
  // A label named with "_" renamed without it, with every jump to it, when no label has that name already.
  std::optional<Fix> label(const PreparedStatements& statements, std::span<const StatementPlace> places,
                           std::size_t label, const std::vector<std::string>& names) const;

 private:
  std::string free_variable() const;

  std::string_view bytes_;
  const std::string& text_;
  const TokenList& tokens_;
  const Origins& origins_;
  const std::vector<std::uint32_t>& token_offsets_;
  const std::vector<std::uint32_t>& field_tokens_;
};

}  // namespace kal::check
