#include "interp/interpreter.h"

#include <string>

#include "common/cp1252.h"
#include "common/halt.h"
#include "common/messages.h"
#include "compiler/record.h"
#include "interp/dispatch_table.h"

namespace kal {

void Interpreter::run() {
  const auto& statements = program_.statements;
  search_position = 1;
  std::size_t pc = 1;
  while (pc <= statements.size()) {
    std::string_view r = statements[pc - 1];
    if (record_field(r, 1) == "." && record_field(r, 2) == "codigo") {
      ++pc;
    } else if (r.starts_with("BD")) {
      program_.database_name = std::string(record_field(r, 2));
      search_position = 1;
      current_record = 1;
      ++pc;
    } else if (r.starts_with("&") || r.starts_with("@") || r.starts_with("#") || r.starts_with(":")) {
      execute(r);
      ++pc;
    } else if (r.starts_with(".")) {
      jump_requested = false;
      execute(r);
      pc = jump_requested ? jump_target(record_field(r, 3)) : pc + 1;
    } else if (r.starts_with("%")) {
      execute(r);
      ++pc;
    } else {
      // Comments, the empty record of a lone ";" and records that start with a number carry no action.
      ++pc;
    }
  }
}

std::size_t Interpreter::jump_target(std::string_view label) {
  std::int32_t target = program_.labels.find(label);
  if (target > 0) return static_cast<std::size_t>(target);
  // Statement 0 does not exist: going on would run outside the table, so the run stops and says why.
  std::string message(msg::kUnknownLabelPrefix);
  message += label;
  message += msg::kUnknownLabelSuffix;
  platform_.message_box(msg::kTitleProgrammer, message, Buttons::Ok);
  end_program();
}

void Interpreter::execute(std::string_view record) {
  std::string_view shape = record_field(record, 1);
  const Family* family = find_family(shape);
  if (family == nullptr) unknown_instruction(shape);
  if (family->keyword_at == KeywordAt::None) {
    family->handler(*this, record);
    return;
  }
  std::string lowered;
  std::string_view keyword;
  if (family->keyword_at == KeywordAt::Field2Lower) {
    lowered = cp1252::lower(record);
    keyword = record_field(lowered, 2);
  } else {
    keyword = record_field(record, 3);
  }
  for (const Keyword& k : family->keywords) {
    if (k.word == keyword) {
      k.handler(*this, record);
      return;
    }
  }
  unknown_instruction(std::string(shape) + std::string(record_field(record, 2)));
}

void Interpreter::unknown_instruction(std::string_view text) {
  std::string message(text);
  message += msg::kBreak;
  message += msg::kUnknownInstruction;
  platform_.message_box(msg::kTitleProgrammer, message, Buttons::Ok);
  end_program();
}

}  // namespace kal
