#include <gtest/gtest.h>

#include <string>

#include "tests/support/script_run.h"

namespace kal {
namespace {

using test::ScriptRun;
using Kind = test::Reply::Kind;

TEST(MessageBoxes, AvisoAndObjetoShowTheTextWithOk) {
  ScriptRun r("&t := ~Hola_Mundo ; .aviso &t ; .objeto &t ; .AVISO &nada ;");
  r.run();
  const auto& events = r.platform.events;
  ASSERT_EQ(events.size(), 3u);
  for (const auto& e : events) {
    EXPECT_EQ(e.title, "KAL");
    EXPECT_EQ(e.buttons, Buttons::Ok);
  }
  EXPECT_EQ(events[0].text, "Hola Mundo");
  EXPECT_EQ(events[1].text, "Hola Mundo");
  EXPECT_EQ(events[2].text, "");      // a never-assigned operand shows an empty box ...
  EXPECT_EQ(r.variable("nada"), "");  // ... and is declared
}

TEST(MessageBoxes, TextPassesTheWorkingBuffer) {
  ScriptRun r(".aviso &t ; .aviso &u ;");
  std::size_t t = r.interpreter->variables.declare("t");
  r.interpreter->variables.write(t, std::string(70000, 'a'));
  std::size_t u = r.interpreter->variables.declare("u");
  r.interpreter->variables.write(u, std::string_view("antes\0despues", 13));
  r.run();
  ASSERT_EQ(r.messages().size(), 2u);
  EXPECT_EQ(r.messages()[0], std::string(63999, 'a'));
  EXPECT_EQ(r.messages()[1], "antes");
}

TEST(MessageBoxes, AvisosinoPutsTheAnswerInTheFlag) {
  ScriptRun yes(".avisosino &p ;");
  yes.answer(Kind::Yes);
  yes.interpreter->comparison_flag = 0;
  yes.run();
  EXPECT_EQ(yes.interpreter->comparison_flag, 1);
  ASSERT_EQ(yes.platform.events.size(), 1u);
  EXPECT_EQ(yes.platform.events[0].title, "KAL");
  EXPECT_EQ(yes.platform.events[0].buttons, Buttons::YesNo);

  ScriptRun no(".cmp &a &a ; .avisosino &p ;");  // the comparison left 1; No clears it
  no.answer(Kind::No);
  no.run();
  EXPECT_EQ(no.interpreter->comparison_flag, 0);
}

}  // namespace
}  // namespace kal
