// What the debugger makes of a breakpoint before the run: the statement it stops at, the condition that must
// hold (a KAL comparison) and the message a logpoint writes. The adapter asks these as each statement is
// about to run.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "interp/compare.h"

namespace kal::debug {

// A breakpoint asked on a line stops at the first statement that starts on that line or after it: a comment,
// a blank line or the middle of a statement moves it down, and the editor is told where it went.
struct Placed {
  bool verified = false;
  std::size_t line = 0;       // where it stops, from 1
  std::size_t statement = 0;  // the statement's number, from 1
  std::string message;        // why it moved, or why it stops nowhere (Spanish)
};
// statement_lines: the line each statement starts on, in run order (the checker's statement lines).
Placed place_breakpoint(const std::vector<std::size_t>& statement_lines, std::size_t line);

// The value of "&name", "@name" or "#field" as the run holds it now, or nothing for a name the run does not
// know.
using ValueOf = std::function<std::optional<std::string>(std::string_view name)>;

// A breakpoint's condition, written as a comparison of KAL: "&total > 100", "&nombre = ~Ana", "&a <> &b", or
// with the comparison's own word, ".mar &total 100". Operands are variables, constants, fields, numbers and
// texts ("~", with "_" for a blank); the operators = <> > < >= <= are .cmp .dis .mar .mer .mai .mei.
struct Condition {
  Comparison how = Comparison::Same;
  std::string left, right;  // as written
};
// Nothing, with the reason in *why (Spanish), for a condition that cannot be read.
std::optional<Condition> parse_condition(std::string_view text, std::string* why);
// Whether it holds now, compared as the script's own comparison would (lists element by element); an operand
// the run does not know reads as the empty text.
bool holds(const Condition& condition, const ValueOf& value_of);

// A logpoint's message with each "{&name}", "{@name}" or "{#field}" replaced by its value now; a name the run
// does not know stays as written.
std::string log_message(std::string_view message, const ValueOf& value_of);

}  // namespace kal::debug
