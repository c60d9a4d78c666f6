// kalcheck: reports every problem of a KAL script without running it, one a line, as compilers do:
//
//   kalcheck SCRIPT...     FILE:LINE:COLUMN: error|warning: MESSAGE
//   kalcheck --lsp         the language server, over standard input and output
//   kalcheck --version     KAL's version
//
// Exit code 0 when no script has an error (warnings allowed), 1 when one has, 2 when a file cannot be read.
#include <cstdio>
#include <memory>
#include <string>

#include "checker/script_checker.h"
#include "lsp/server.h"
#include "platform/host_files.h"

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--version") {
    std::puts("kalcheck " KAL_VERSION);
    return 0;
  }
  if (argc == 2 && std::string(argv[1]) == "--lsp")
    return kal::lsp::serve(kal::rpc::standard_input(), kal::rpc::standard_output());
  if (argc < 2) {
    std::fputs("uso: kalcheck PROGRAMA.txt...\n     kalcheck --lsp\n     kalcheck --version\n", stderr);
    return 2;
  }
  kal::host::utf8_console();  // the lines are UTF-8, as editors and CI read them
  int exit_code = 0;
  for (int i = 1; i < argc; ++i) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(argv[i], "rb"), std::fclose);
    if (!in) {
      std::fprintf(stderr, "%s: no se puede leer\n", argv[i]);
      exit_code = 2;
      continue;
    }
    std::string bytes;
    char piece[65536];
    for (std::size_t got; (got = std::fread(piece, 1, sizeof piece, in.get())) > 0;) bytes.append(piece, got);
    for (const kal::check::Problem& p : kal::check::check_script(bytes)) {
      std::puts(kal::check::format_problem(argv[i], p).c_str());
      if (p.error && exit_code == 0) exit_code = 1;
    }
  }
  return exit_code;
}
