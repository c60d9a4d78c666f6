// The script checker on any bytes: it must report, never crash, whatever a file holds; and it must find an
// error exactly when KAL.exe would refuse the script: its compiler stops it, a statement reaches no handler,
// or a jump names a label that no statement registers.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "checker/script_checker.h"
#include "interp/handlers.h"
#include "interp/statement.h"
#include "launcher/script_reader.h"
#include "launcher/startup.h"

namespace {

bool interpreter_accepts(std::string_view file_bytes) {
  kal::Program program;
  if (kal::compile_script(kal::join_lines(file_bytes), program)) return false;
  const kal::PreparedStatements statements(program.statements);
  for (std::size_t i = 1; i <= statements.size(); ++i) {
    const kal::Statement& s = statements.at(i);
    const bool runs = s.route == kal::Route::Execute || s.route == kal::Route::Command;
    if (runs && s.handler == nullptr) return false;
    if (s.handler != nullptr && kal::is_jump(s.handler) && program.labels.find(s.field(3)) == 0) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto problems = kal::check::check_script(bytes);
  bool error = false;
  for (const auto& p : problems) {
    (void)kal::check::format_problem("f.txt", p);
    error = error || p.error;
  }
  if (error == interpreter_accepts(bytes)) __builtin_trap();
  return 0;
}
