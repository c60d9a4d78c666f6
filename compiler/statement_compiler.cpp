#include "compiler/statement_compiler.h"

#include <algorithm>

#include "common/limits.h"
#include "compiler/token_class.h"

namespace kal {
namespace {

struct SigilClass {
  char sigil;
  bool (*test)(std::string_view);
  std::string_view code;
};

// Checked after the numbers, words, masks, selectors and comment openers; the order is part of the language.
constexpr SigilClass kSigilClasses[] = {
    {'&', is_ordinary_variable, "&"},
    {'#', is_database_field, "#"},
    {'@', is_constant, "@"},
    {'~', is_text_literal, "~"},
    {'%', is_function_word, "%"},
    {'.', is_command_word, "."},
    {':', is_label, ":"},
};

// A record is cut at its limit, and the shape is always a prefix of it, so neither part needs to grow past
// the limit: what lies beyond could never reach the stored record. This keeps a statement of 100000 tokens
// cheap.
// Returns false when some of the text did not fit.
bool append_capped(std::string& to, std::string_view text) {
  if (to.size() >= limits::kMaxRecordLength) return text.empty();
  const std::size_t room = limits::kMaxRecordLength - to.size();
  to.append(text.substr(0, room));
  return text.size() <= room;
}

}  // namespace

void StatementCompiler::append_shape(std::string_view code) {
  if (!append_capped(shape_, code)) cut_ = true;
}

void StatementCompiler::append_field(std::string_view text) {
  if (fields_.size() >= limits::kMaxRecordLength) {
    cut_ = true;
    return;
  }
  fields_.push_back('|');
  ++pending_fields_;
  if (!append_capped(fields_, text)) cut_ = true;
}

// Converted in place: a field of a variable or a text is the most common thing a script holds, and a
// temporary text for each would cost an allocation.
void StatementCompiler::append_sigil_field(std::string_view token) {
  if (fields_.size() >= limits::kMaxRecordLength) {
    cut_ = true;
    return;
  }
  fields_.push_back('|');
  ++pending_fields_;
  append_converted_field(fields_, token);
  if (fields_.size() > limits::kMaxRecordLength) {
    fields_.resize(limits::kMaxRecordLength);
    cut_ = true;
  }
}

void StatementCompiler::finish_statement() {
  std::string& record = records_.emplace_back();
  record.reserve(std::min(shape_.size() + fields_.size(), limits::kMaxRecordLength));
  record += shape_;
  last_cut_ = !append_capped(record, fields_) || cut_;
  shape_.clear();
  fields_.clear();
  in_comment_ = false;
  pending_fields_ = 0;
  cut_ = false;
}

bool StatementCompiler::compile(std::string_view t) {
  if (t.empty()) return false;
  if (t == ":=") return true;
  if (t == ";") {
    finish_statement();
    return true;
  }
  if (is_operator(t)) {
    append_shape(t);
    append_field(t);
    return true;
  }
  if (is_integer_literal(t) || is_decimal_literal(t)) {
    append_shape("v");
    append_field(t);
    return true;
  }
  // Inside a comment every word is just a word, even one that looks like a variable or a selector.
  if (in_comment_ && is_word(t)) {
    append_shape("c");
    return true;
  }
  if (is_mask_literal(t)) {
    append_shape("m");
    append_field(t);
    return true;
  }
  if (is_database_selector(t)) {
    // The selector replaces the shape collected so far, but the fields stay.
    shape_ = "BD";
    database_name_ = convert_field(t.substr(1, t.size() - 2));
    append_field(database_name_);
    return true;
  }
  if (is_comment_opener(t)) {
    shape_ = "'v";
    in_comment_ = true;
    return true;
  }
  for (const SigilClass& c : kSigilClasses) {
    if (t.front() == c.sigil && c.test(t)) {
      append_shape(c.code);
      append_sigil_field(t);
      return true;
    }
  }
  return false;
}

}  // namespace kal
