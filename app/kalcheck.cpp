// kalcheck: reports every problem of a KAL script without running it, one a line, as compilers do:
//
//   kalcheck SCRIPT...                       FILE:LINE:COLUMN: error|warning: MESSAGE
//   kalcheck --formatear SCRIPT...           each script laid out, to standard output
//   kalcheck --formatear --escribir SCRIPT...  each script laid out in its own file
//   kalcheck --lsp                           the language server, over standard input and output
//   kalcheck --version                       KAL's version
//
// Exit code 0 when no script has an error (warnings allowed), 1 when one has, 2 when a file cannot be read
// (or, laid out, written).
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "checker/formatter.h"
#include "checker/script_checker.h"
#include "common/limits.h"
#include "lsp/server.h"
#include "platform/host_files.h"

namespace {

std::optional<std::string> read_script(const std::string& path) {
  kal::host::Seen seen;
  std::optional<std::string> bytes =
      kal::host::read_regular_file(path, kal::limits::kMaxToolScriptBytes, seen);
  if (!bytes) std::fprintf(stderr, "%s: no se puede leer\n", path.c_str());
  return bytes;
}

int format(const std::vector<std::string>& args, std::size_t first, bool in_place) {
  if (!in_place) kal::host::binary_standard_output();  // the file's own line ends, byte for byte
  int exit_code = 0;
  for (std::size_t i = first; i < args.size(); ++i) {
    const std::optional<std::string> bytes = read_script(args[i]);
    if (!bytes) {
      exit_code = 2;
      continue;
    }
    const std::string laid_out = kal::check::format_script(*bytes);
    if (!in_place) {
      std::fwrite(laid_out.data(), 1, laid_out.size(), stdout);
    } else if (laid_out != *bytes && !kal::host::write_whole_file(args[i], laid_out)) {
      std::fprintf(stderr, "%s: no se puede escribir: se queda como estaba\n", args[i].c_str());
      exit_code = 2;
    }
  }
  return exit_code;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = kal::host::command_line(argc, argv);
  if (args.size() == 2 && args[1] == "--version") {
    std::puts("kalcheck " KAL_VERSION);
    return 0;
  }
  if (args.size() == 2 && args[1] == "--lsp")
    return kal::lsp::serve(kal::rpc::standard_input(), kal::rpc::standard_output());
  kal::host::utf8_console();  // the lines are UTF-8, as editors and CI read them
  const bool formats = args.size() > 1 && args[1] == "--formatear";
  const bool in_place = formats && args.size() > 2 && args[2] == "--escribir";
  if (args.size() < (in_place ? 4u : formats ? 3u : 2u)) {
    std::fputs(
        "uso: kalcheck PROGRAMA.txt...\n     kalcheck --formatear [--escribir] PROGRAMA.txt...\n"
        "     kalcheck --lsp\n     kalcheck --version\n",
        stderr);
    return 2;
  }
  if (formats) return format(args, in_place ? 3 : 2, in_place);
  int exit_code = 0;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::optional<std::string> bytes = read_script(args[i]);
    if (!bytes) {
      exit_code = 2;
      continue;
    }
    for (const kal::check::Problem& p : kal::check::check_script(*bytes)) {
      std::puts(kal::check::format_problem(args[i], p).c_str());
      if (p.error && exit_code == 0) exit_code = 1;
    }
  }
  return exit_code;
}
