#include "launcher/startup.h"

#include <gtest/gtest.h>

#include "common/messages.h"
#include "tests/support/recording_platform.h"

namespace kal {
namespace {

using test::Event;
using test::RecordingPlatform;
using test::Reply;
using Boxes = std::vector<std::pair<std::string, std::string>>;

const std::string kFolder = "C:\\kal\\";
const std::string kTrace = kFolder + "FORENSE.txt";

struct Started {
  RecordingPlatform p;
  int exit_code = -1;
  Started& script(const std::string& text, const std::string& name = "s.txt") {
    p.put_file(kFolder + name, text);
    return *this;
  }
  Started& go(const std::string& tail = "C:\\kal\\s.txt") {
    exit_code = run_program(p, tail);
    return *this;
  }
};

Boxes programmer(std::string_view text) {
  return {{"Programador", std::string(text)}};
}

TEST(Startup, OwnNameRenamesAndEndsSilently) {
  for (const char* exe : {"kal.exe", "Kal.exe", "KAL2.exe", "interp.EXE"}) {
    Started r;
    r.p.own_path_value = kFolder + exe;
    r.p.put_file(kFolder + exe, "MZ");
    r.p.put_file(kTrace, "old trace");
    r.script(".codigo; 'x .fin;").go();
    EXPECT_EQ(r.exit_code, 0);
    ASSERT_EQ(r.p.events.size(), 1u) << exe;
    EXPECT_EQ(r.p.events[0].kind, Event::Kind::Rename);
    EXPECT_NE(r.p.file(kFolder + "KAL.exe"), nullptr) << exe;
    // Nothing else happens on such a start: the old trace stays and nothing is read or shown.
    EXPECT_EQ(*r.p.file(kTrace), "old trace");
  }
}

TEST(Startup, OwnNameRenameUsesExeOnBothSidesAndIgnoresFailure) {
  Started r;
  r.p.own_path_value = kFolder + "otro.bin";
  r.go();
  ASSERT_EQ(r.p.events.size(), 1u);
  EXPECT_EQ(r.p.events[0].title, kFolder + "otro.exe");
  EXPECT_EQ(r.p.events[0].text, kFolder + "KAL.exe");
  EXPECT_EQ(r.exit_code, 0);
}

TEST(Startup, TheRightNameRuns) {
  Started r;
  r.p.own_path_value = kFolder + "KAL.EXE";  // only the name without extension must be exactly KAL
  r.script(".codigo; .fin;").go();
  EXPECT_TRUE(r.p.events.empty());
}

TEST(Startup, OldTraceIsDeletedAtStart) {
  Started r;
  r.p.put_file(kTrace, "old");
  r.script(".codigo; .fin;").go();
  EXPECT_EQ(r.p.file(kTrace), nullptr);
}

TEST(Startup, DoubleQuotesAreRemovedFromTheTail) {
  Started r;
  r.script(".codigo; .fin; &x", "mi guion.txt").go("\"C:\\kal\\mi guion.txt\"");
  EXPECT_EQ(r.p.boxes(), programmer(msg::kMustEndWithSemicolon));
  Started inside;
  inside.script(".codigo; .fin; &x", "ab.txt").go("C:\\kal\\a\"b.txt");
  EXPECT_EQ(inside.p.boxes(), programmer(msg::kMustEndWithSemicolon));
  EXPECT_EQ(inside.p.events.front().kind, Event::Kind::MessageBox);  // read, no dialog
}

TEST(Startup, MissingScriptReadsAsEmpty) {
  Started r;
  r.go("C:\\kal\\no-existe.txt");
  EXPECT_EQ(r.p.boxes(), programmer(msg::kMustEndWithSemicolon));
}

TEST(Startup, EmptyTailShowsTheOpenDialog) {
  for (const char* tail : {"", "\"\"", "\""}) {
    Started r;
    r.go(tail);
    ASSERT_GE(r.p.events.size(), 1u);
    ASSERT_EQ(r.p.events[0].kind, Event::Kind::OpenDialog) << tail;
    const OpenFileRequest& q = r.p.events[0].request;
    EXPECT_EQ(q.title, "");
    EXPECT_EQ(q.initial_folder, "C:\\kal\\");  // the current directory: the path buffer is empty
    EXPECT_EQ(q.initial_name, "");
    EXPECT_EQ(q.filter_description, "Texto");
    EXPECT_EQ(q.filter_pattern, "*.txt");
    EXPECT_EQ(q.default_extension, "Texto");
    EXPECT_TRUE(q.file_must_exist && q.resizable && q.explorer_style && q.hide_read_only &&
                q.keep_current_folder);
    EXPECT_EQ(q.max_path, 273u);
    // Cancelled: an empty script, so the first outer-form check fails.
    EXPECT_EQ(r.p.boxes(), programmer(msg::kMustEndWithSemicolon));
  }
}

TEST(Startup, ThePathChosenInTheDialogIsTrimmedOfSpaces) {
  Started r;
  r.script(".codigo; .fin; &x");
  r.p.replies.push_back({Reply::Kind::Type, "  C:\\kal\\s.txt "});
  r.go("");
  EXPECT_EQ(r.p.boxes().back(), programmer(msg::kMustEndWithSemicolon).back());
  ASSERT_EQ(r.p.events.size(), 2u);
  EXPECT_EQ(r.p.events[0].kind, Event::Kind::OpenDialog);
}

TEST(Startup, CompileErrorComesBeforeOuterForm) {
  Started r;
  r.script("hola; .codigo;").go();
  EXPECT_EQ(r.p.boxes(), programmer("hola\r\nEsta expresi\xF3n es ERRONEA !!"));
  // A box ends its text at a NUL, so a token holding one shows up to it, and the message still follows.
  Started nul;
  nul.script(".codigo; &a := ~ho" + std::string(1, '\0') + "la;").go();
  EXPECT_EQ(nul.p.boxes(), programmer("~ho\r\nEsta expresi\xF3n es ERRONEA !!"));
}

TEST(Startup, TheDialogOpensInTheFolderOfThePathBuffer) {
  EXPECT_EQ(script_dialog_request("C:\\datos\\s.txt", "C:\\kal").initial_folder, "C:\\datos\\");
  EXPECT_EQ(script_dialog_request("s.txt", "C:\\kal").initial_folder, "C:\\kal");
  EXPECT_EQ(script_dialog_request("", std::string(300, 'x')).initial_folder, std::string(254, 'x'));
}

TEST(Startup, ScriptEndingInFinLeavesNoTrace) {
  Started r;
  r.script(".codigo;\r\n'nota;\r\n:fin;\r\n.fin;\r\n").go();
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_TRUE(r.p.events.empty());
  EXPECT_EQ(r.p.file(kTrace), nullptr);
}

TEST(Startup, RunningPastTheEndWritesAndOpensTheTrace) {
  Started r;
  r.script(".codigo;\r\n:x;\r\n[datos];\r\n'nota .fin;\r\n").go();
  EXPECT_EQ(r.exit_code, 0);
  ASSERT_NE(r.p.file(kTrace), nullptr);
  // 4 statements, 9 tokens: the records, then 9 - 4 empty lines.
  EXPECT_EQ(*r.p.file(kTrace),
            "Hay 4 sentencias ...\r\n\r\n.|codigo\r\n:|x\r\nBD|datos\r\n'vc\r\n\r\n\r\n\r\n\r\n\r\n");
  ASSERT_EQ(r.p.events.size(), 1u);
  EXPECT_EQ(r.p.events[0].kind, Event::Kind::ShellOpen);
  EXPECT_EQ(r.p.events[0].title, kTrace);
  EXPECT_EQ(r.p.pauses_ms, 1);  // the label paused once
}

TEST(Startup, TraceIsAppendedToWhatIsThere) {
  // A trace that could not be deleted (read-only, locked) is appended to, as line-by-line appends would.
  EXPECT_EQ(trace_text({".|codigo", "'vc"}, 5),
            "Hay 2 sentencias ...\r\n\r\n.|codigo\r\n'vc\r\n\r\n\r\n\r\n");
  EXPECT_EQ(trace_text({}, 0), "Hay 0 sentencias ...\r\n\r\n");
}

TEST(Startup, LimitsAreRefusedBeforeAnythingRuns) {
  std::string tokens = ".codigo;";
  for (int i = 0; i < 50000; ++i) tokens += "&a 1 ";  // 100000 more tokens, 100002 in all
  tokens += ".fin;";
  Started many;
  many.script(tokens).go();
  EXPECT_EQ(many.p.boxes(), programmer(msg::kTooManyTokens));

  std::string statements = ".codigo;" + std::string(32766, ';') + ".fin;";  // 32768 statements
  Started over;
  over.script(statements).go();
  EXPECT_EQ(over.p.boxes(), programmer(msg::kTooManyStatements));

  std::string exact = ".codigo;" + std::string(32765, ';') + "'x .fin;";  // 32767 statements: allowed
  Started ok;
  ok.script(exact).go();
  EXPECT_TRUE(ok.p.boxes().empty());
  ASSERT_NE(ok.p.file(kTrace), nullptr);
  EXPECT_TRUE(ok.p.file(kTrace)->starts_with("Hay 32767 sentencias ...\r\n"));
}

// The limits are judged on the whole script first, so a faulty token early in a script that is too long does
// not hide that it is too long.
TEST(Startup, LimitsComeBeforeCompileErrors) {
  std::string tokens = ".codigo; hola;";
  for (int i = 0; i < 50000; ++i) tokens += "&a 1 ";
  Started many;
  many.script(tokens + ".fin;").go();
  EXPECT_EQ(many.p.boxes(), programmer(msg::kTooManyTokens));

  Started over;
  over.script(".codigo; hola;" + std::string(32766, ';') + ".fin;").go();
  EXPECT_EQ(over.p.boxes(), programmer(msg::kTooManyStatements));
}

TEST(Startup, ExactlyTheTokenLimitRuns) {
  // ".codigo" ";" + n numbers + ";" + ".fin" ";": n + 5 tokens.
  auto script_of = [](int numbers) {
    std::string text = ".codigo;";
    for (int i = 0; i < numbers; ++i) text += "1 ";
    return text + "; .fin;";
  };
  Started at_limit;
  at_limit.script(script_of(99995)).go();
  EXPECT_TRUE(at_limit.p.boxes().empty());
  Started one_over;
  one_over.script(script_of(99996)).go();
  EXPECT_EQ(one_over.p.boxes(), programmer(msg::kTooManyTokens));
}

TEST(Startup, Folders) {
  EXPECT_EQ(folder_of("C:\\a\\b\\KAL.exe"), "C:\\a\\b\\");
  EXPECT_EQ(name_of("C:\\a\\b\\KAL.exe"), "KAL.exe");
  EXPECT_EQ(folder_of("KAL.exe"), "");
  EXPECT_EQ(name_of("C:/x/y.txt"), "y.txt");
}

}  // namespace
}  // namespace kal
