// Turns the token stream into compiled statement records, one token at a time.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kal {

class StatementCompiler {
 public:
  // Feeds one token. Returns false when the token fits no class; the caller reports the compile error.
  [[nodiscard]] bool compile(std::string_view token);

  // Room for the records of a script whose statement count is known beforehand.
  void reserve(std::size_t statements) { records_.reserve(statements); }

  // Records 1..S in statement order.
  const std::vector<std::string>& records() const { return records_; }
  std::vector<std::string> take_records() { return std::move(records_); }
  // Set by every database selector token; the run starts with the last one.
  const std::string& database_name() const { return database_name_; }

  // For tools that point at a statement's tokens: the fields the statement being compiled has so far (after
  // the shape), and whether the last finished record was cut at its limit.
  std::size_t pending_fields() const { return pending_fields_; }
  bool last_record_was_cut() const { return last_cut_; }

 private:
  void append_shape(std::string_view code);
  void append_field(std::string_view text);
  void append_sigil_field(std::string_view token);
  void finish_statement();

  std::string shape_;
  std::string fields_;
  bool in_comment_ = false;
  std::size_t pending_fields_ = 0;
  bool cut_ = false;  // some part of the statement being compiled did not fit
  bool last_cut_ = false;
  std::string database_name_;
  std::vector<std::string> records_;
};

}  // namespace kal
