#include "checker/formatter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "common/cp1252.h"
#include "tests/support/what_runs.h"

namespace kal::check {
namespace {

struct Layout {
  const char* what;
  std::string script, laid_out;
};

TEST(Formatter, LaysOutStatementsAndKeepsWhatRuns) {
  const Layout kLayouts[] = {
      {"one blank between tokens, none before ;", ".codigo;\r\n&a   :=   1  ;\r\n&b := &a+2 ;\r\n.fin;\r\n",
       ".codigo;\r\n&a := 1;\r\n&b := &a + 2;\r\n.fin;\r\n"},
      {"one statement a line, with the indentation of its line",
       ".codigo; &a := 1; &b := 2;\r\n  &c := 3; .aviso &c;\r\n.fin;",
       ".codigo;\r\n&a := 1;\r\n&b := 2;\r\n  &c := 3;\r\n  .aviso &c;\r\n.fin;"},
      {"command words in small letters", ".codigo;\r\n&a := 1;\r\n.AviSO &a;\r\n.CMP &a &a;\r\n.fin;\r\n",
       ".codigo;\r\n&a := 1;\r\n.aviso &a;\r\n.cmp &a &a;\r\n.fin;\r\n"},
      {".CODIGO is the outer form's, read only as written", ".CODIGO;\r\n.fin;\r\n", ".CODIGO;\r\n.fin;\r\n"},
      {"labels at the line start", ".codigo;\r\n   :bucle;\r\n  &a := 1; :otra;\r\n.fin;\r\n",
       ".codigo;\r\n:bucle;\r\n  &a := 1;\r\n:otra;\r\n.fin;\r\n"},
      {"comments and texts as written, a comment beside its statement",
       ".codigo;\r\n'una   nota ,  rara;\r\n&t := ~a___b^;   'y   otra;\r\n.fin;\r\n",
       ".codigo;\r\n'una   nota ,  rara;\r\n&t := ~a___b^; 'y   otra;\r\n.fin;\r\n"},
      {"statements with errors as written", ".codigo;\r\n&a  :=  1\r\n&b := 2;\r\n.avisso   &b;\r\n.fin;\r\n",
       ".codigo;\r\n&a  :=  1\r\n&b := 2;\r\n.avisso   &b;\r\n.fin;\r\n"},
      {"line ends of LF", ".codigo;\n&a := 1;   &b := 2;\n.fin;\n", ".codigo;\n&a := 1;\n&b := 2;\n.fin;\n"},
      {"line ends of CR", ".codigo;\r&a := 1; .aviso &a;\r.fin;", ".codigo;\r&a := 1;\r.aviso &a;\r.fin;"},
      {"a statement over two lines on one", ".codigo;\r\n&a :=\r\n   1;\r\n.fin;\r\n",
       ".codigo;\r\n&a := 1;\r\n.fin;\r\n"},
      {"a word a line end runs through as written", ".codigo;\r\n&t  :=  ~muy_lar\r\ngo;\r\n.fin;\r\n",
       ".codigo;\r\n&t  :=  ~muy_lar\r\ngo;\r\n.fin;\r\n"},
      {"blank lines kept, blanks at line ends gone", ".codigo;  \r\n\r\n\r\n.fin;  \r\n  \r\n",
       ".codigo;\r\n\r\n\r\n.fin;\r\n\r\n"},
      {"what follows a Ctrl-Z is never read and stays", ".codigo;\r\n.fin;   \x1A  &a   :=  1;",
       ".codigo;\r\n.fin;\x1A  &a   :=  1;"},
      {"words after the last ; on a line of their own",
       ".codigo;\r\n.fin; &a  :=   ", ".codigo;\r\n.fin;\r\n&a  :="},
  };
  for (const Layout& l : kLayouts) {
    const std::string once = format_script(l.script);
    EXPECT_EQ(once, l.laid_out) << l.what;
    EXPECT_EQ(format_script(once), once) << l.what << ": laid out again";
    EXPECT_EQ(test::what_runs(once), test::what_runs(l.script)) << l.what;
  }
  // A range lays out only the statements it touches.
  const std::string script = ".codigo;\r\n&a   :=  1;\r\n&b   :=  2;\r\n.fin;\r\n";
  const std::size_t b = script.find("&b");
  EXPECT_EQ(apply_edits(script, format_edits(script, b + 2, b + 2)),
            ".codigo;\r\n&a   :=  1;\r\n&b := 2;\r\n.fin;\r\n");
}

// Over every file of the repository that holds a script (the cases, the examples, the guides, the fuzz
// regressions, and the sources and tests that carry scripts as text): laid out, it runs what it ran, with
// every character but blanks and line ends where it was; laid out again, it does not change.
TEST(Formatter, EveryScriptOfTheRepositoryRunsAsItRan) {
  std::size_t scripts = 0, changed = 0;
  auto ink = [](std::string_view text) {
    std::string out;
    for (char c : text)
      if (c != ' ' && c != '\r' && c != '\n') out += c;
    return cp1252::lower(out);
  };
  namespace fs = std::filesystem;
  for (auto it = fs::recursive_directory_iterator(KAL_SOURCE_DIR); it != fs::recursive_directory_iterator();
       ++it) {
    const std::string name = it->path().filename().string();
    if (it->is_directory() && (name == "build" || name == "node_modules" || name.starts_with('.'))) {
      it.disable_recursion_pending();
      continue;
    }
    if (!it->is_regular_file()) continue;
    std::ifstream file(it->path(), std::ios::binary);
    std::ostringstream read;
    read << file.rdbuf();
    const std::string bytes = read.str();
    if (bytes.find(".codigo") == std::string::npos) continue;
    const std::string once = format_script(bytes);
    ++scripts;
    changed += once != bytes ? 1 : 0;
    EXPECT_EQ(test::what_runs(once), test::what_runs(bytes)) << it->path();
    EXPECT_EQ(ink(once), ink(bytes)) << it->path();
    EXPECT_EQ(format_script(once), once) << it->path();
  }
  EXPECT_GT(scripts, 150u);
  EXPECT_GT(changed, 10u);  // the cases' odd layouts and the sources are laid out
}

}  // namespace
}  // namespace kal::check
