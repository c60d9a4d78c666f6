// kalcheck: reports every problem of a KAL script without running it, one a line, as compilers do:
//
//   kalcheck SCRIPT...     FILE:LINE:COLUMN: error|warning: MESSAGE
//   kalcheck --lsp         the language server, over standard input and output
//   kalcheck --version     KAL's version
//
// Exit code 0 when no script has an error (warnings allowed), 1 when one has, 2 when a file cannot be read.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "checker/script_checker.h"
#include "lsp/server.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>  // only for the console's code page: the checker itself is portable
#endif

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--version") {
    std::cout << "kalcheck " KAL_VERSION "\n";
    return 0;
  }
  if (argc == 2 && std::string(argv[1]) == "--lsp") {
#ifdef _WIN32
    // The protocol counts bytes: no line-end translation either way.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::ios::sync_with_stdio(false);
    return kal::lsp::serve(std::cin, std::cout);
  }
  if (argc < 2) {
    std::cerr << "uso: kalcheck PROGRAMA.txt...\n     kalcheck --lsp\n     kalcheck --version\n";
    return 2;
  }
#ifdef _WIN32
  SetConsoleOutputCP(CP_UTF8);  // the lines are UTF-8, as editors and CI read them
#endif
  int exit_code = 0;
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    if (!in) {
      std::cerr << argv[i] << ": no se puede leer\n";
      exit_code = 2;
      continue;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    for (const kal::check::Problem& p : kal::check::check_script(bytes.str())) {
      std::cout << kal::check::format_problem(argv[i], p) << '\n';
      if (p.error && exit_code == 0) exit_code = 1;
    }
  }
  return exit_code;
}
