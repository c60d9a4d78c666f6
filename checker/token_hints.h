// The hints the checker reads from where tokens touch and lines break: a refused token's cure (a missing
// ";", a decimal comma, a text cut by a character that stands alone, "=" for ":=", ...), and a statement that
// runs on into a line that starts one of its own. Messages are Windows-1252.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "checker/joined_text.h"

namespace kal::check {

// ".fin;" on a line of its own at the end of the file, with the file's own line ends.
Fix fin_fix(std::string_view file_bytes);

class TokenHints {
 public:
  TokenHints(const std::string& text, const TokenList& tokens, const Origins& origins, const Lines& lines)
      : text_(text), tokens_(tokens), origins_(origins), lines_(lines) {}

  // Where the tokens first to last run on into a line that starts a statement of its own: the line they
  // should have ended on and the line they run into.
  struct Break {
    std::size_t before = 0;
    std::size_t after = 0;
    bool found() const { return after != 0; }
  };
  Break statement_break(std::size_t first, std::size_t last) const;
  // "falta un ; al final de la l\xEDnea N".
  static std::string falta(std::size_t line, bool capital);
  // "\xBFFalta un ; ...?" when the tokens run on so; else empty.
  // With fix given, the ";" put in its place.
  std::string missing_semicolon(std::size_t first, std::size_t last, std::optional<Fix>* fix = nullptr) const;
  // A text among the tokens cut short by a character that always stands alone ("~IVA-21" is "~IVA", "-" and
  // "21"); else empty.
  std::string split_text(std::size_t from, std::size_t to) const;
  // Why the token `at` of the statement starting at token `first` is refused, in the words of its cure; empty
  // when nothing is seen. utf8: the file looks saved as UTF-8, where the cure for an accent is saving it
  // again.
  // *fix is the mend when it is certain.
  std::string refused(std::size_t first, std::size_t at, bool utf8, std::optional<Fix>* fix) const;

 private:
  // "12,40": a number written with a decimal comma, which KAL reads as "12", a "," it refuses and "40".
  std::string decimal_comma(std::size_t at, std::optional<Fix>* fix) const;
  // A character as a message can show it: invisible ones and bytes Windows-1252 leaves empty by their code.
  static std::string shown(char c);
  std::size_t line_of_joined(std::size_t j) const;
  std::size_t joined(std::string_view part) const;

  const std::string& text_;
  const TokenList& tokens_;
  const Origins& origins_;
  const Lines& lines_;
};

}  // namespace kal::check
