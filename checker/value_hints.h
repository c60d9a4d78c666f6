// Warnings about what a value will be when it is used, where the script itself shows it: a join that keeps
// only its first operand because the other is in no class, and a file name that gets a blank from a "_".
// Straight-line knowledge only: what a variable was given just before, with no label in between.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "interp/statement.h"

namespace kal::check {

struct ValueWarning {
  std::size_t offset;   // in the file
  std::string message;  // Windows-1252
  // A variable read before it is first given a value, when that is the reason: the warning stands only if
  // the variable is given one somewhere (else another warning says it never is).
  std::string unassigned = {};
};

class ValueFlow {
 public:
  // Where a field (2 on) of the statement lies in the file.
  using FieldAt = std::function<std::size_t(std::size_t field)>;

  // Each statement in the order of the file, with the line it starts on; its warnings go to `out`.
  void statement(const Statement& s, std::size_t line, const FieldAt& field_at,
                 std::vector<ValueWarning>& out);

 private:
  enum class Kind { Unknown, Zero, Other, Empty, List, Date, Weekday, AccentedDay };
  struct Known {
    Kind kind = Kind::Unknown;
    std::size_t line = 0;  // where it got that kind
    // A text literal with "_" whose blank the value carries (a name meant for a file keeps it).
    std::size_t blank_at = 0;
    std::string blank_literal;
  };
  Known known(std::string_view variable) const;
  void join(const Statement& s, const FieldAt& field_at, std::vector<ValueWarning>& out);
  void date_arithmetic(const Statement& s, const FieldAt& field_at, std::vector<ValueWarning>& out);
  void weekday_comparison(const Statement& s, const FieldAt& field_at, std::vector<ValueWarning>& out);
  void file_operands(const Statement& s, std::vector<ValueWarning>& out);
  void assign(const Statement& s, const FieldAt& field_at);

  std::size_t line_ = 0;      // of the statement looked at
  bool after_label_ = false;  // a label was passed, so jumps may arrive with any values
  std::map<std::string, Known, std::less<>> variables_;
  std::vector<std::size_t> warned_blanks_;  // literals already warned about
};

// The variables and constants a script reads and gives values to, by the codes of each statement's shape: the
// first of an assignment is its target, every other one is read. Comments and database selectors hold none.
class Uses {
 public:
  void statement(const Statement& s, const ValueFlow::FieldAt& field_at);
  bool written(const std::string& name) const { return written_.contains(name); }
  // One warning for each that is read but never given a value, at its first reading.
  std::vector<ValueWarning> never_written() const;

 private:
  std::map<std::string, std::size_t> first_read_;  // name with its sigil -> offset
  std::set<std::string> written_;
};

}  // namespace kal::check
