#include "interp/interpreter.h"

#include <string>

#include "common/halt.h"
#include "common/messages.h"
#include "compiler/token_class.h"
#include "values/value.h"

namespace kal {

// Each store holds at most one name per compiled record.
Interpreter::Interpreter(Platform& platform, Program& program)
    : variables('&', VariableStore::WriteRule::Replace, program.statements.size()),
      constants('@', VariableStore::WriteRule::Once, program.statements.size()),
      graphics(platform),
      database(platform, program.folder, program.database_name),
      platform_(platform),
      program_(program),
      statements_(program.statements) {}

Interpreter::End Interpreter::run() {
  database.search_position = 1;
  std::size_t pc = 1;
  while (pc <= statements_.size()) {
    const Statement& s = statements_.at(pc);
    if (observer_ != nullptr) [[unlikely]]
      observer_->before_statement(pc, s);
    switch (s.route) {
      case Route::Skip:
        ++pc;
        break;
      case Route::Database:
        program_.database_name = std::string(s.field(2));
        database.select(s.field(2));
        ++pc;
        break;
      case Route::Execute:
        execute(s);
        ++pc;
        break;
      case Route::Command:
        jump_requested = false;
        execute(s);
        if (fin_reached) return End::Fin;
        pc = jump_requested ? jump_target(s.field(3)) : pc + 1;
        break;
    }
  }
  return End::PastLastStatement;
}

Interpreter::~Interpreter() {
  if (observer_ != nullptr) observer_->finished(*this);
}

void Interpreter::execute(const Statement& s) {
  if (s.handler == nullptr) unknown_instruction(unknown_instruction_text(s));
  s.handler(*this, s);
}

std::size_t Interpreter::jump_target(std::string_view label) {
  std::int32_t target = program_.labels.find(label);
  if (target > 0) return static_cast<std::size_t>(target);
  // Statement 0 does not exist: going on would run outside the table, so the run stops and says why.
  platform_.message_box(msg::kTitleProgrammer, unknown_label_message(label), Buttons::Ok);
  end_program();
}

// The compiler turned each "_" of the name into a blank (labels hold no other blank), so the message turns it
// back and shows the name as the script writes it.
std::string unknown_label_message(std::string_view label) {
  std::string message(msg::kUnknownLabelPrefix);
  message += as_written(label);
  message += msg::kUnknownLabelSuffix;
  return message;
}

void Interpreter::unknown_instruction(std::string_view text) {
  std::string message(text);
  message += msg::kBreak;
  message += msg::kUnknownInstruction;
  platform_.message_box(msg::kTitleProgrammer, message, Buttons::Ok);
  end_program();
}

std::size_t Interpreter::declare(VariableStore& store, std::string_view name) {
  if (std::size_t slot = store.declare(name)) return slot;
  // Every slot is named: the run cannot go on without losing a value, so it stops and says which name.
  bool constant = &store == &constants;
  std::string message(constant ? msg::kStoreFullConstant : msg::kStoreFullVariable);
  message += store.sigil();
  message += name;
  message += msg::kStoreFullMiddle;
  message += std::to_string(store.capacity());
  message += constant ? msg::kStoreFullConstants : msg::kStoreFullVariables;
  platform_.message_box(msg::kTitleProgrammer, message, Buttons::Ok);
  end_program();
}

std::string_view Interpreter::read(VariableStore& store, const Statement& s, std::size_t k) {
  return read(store, s.field(k));
}

void Interpreter::write(VariableStore& store, const Statement& s, std::size_t k, std::string_view text) {
  write(store, s.field(k), text);
}

std::string_view Interpreter::read(VariableStore& store, std::string_view name) {
  return working_text(store.value(declare(store, name)));
}

void Interpreter::write(VariableStore& store, std::string_view name, std::string_view text) {
  store.write(declare(store, name), text);
}

}  // namespace kal
