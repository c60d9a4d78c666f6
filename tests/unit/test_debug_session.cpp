#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "database/records.h"
#include "debug/session.h"
#include "tests/support/recording_platform.h"

namespace kal::debug {
namespace {

using json = nlohmann::json;

// A client as an editor is one: it sends requests and waits for the responses and events the session sends,
// from whichever thread.
struct Client {
  std::string script;
  Debugged<test::RecordingPlatform>* platform = nullptr;  // the last run's
  std::mutex mutex;
  std::condition_variable arrived;
  std::vector<json> received;
  std::size_t events_read = 0;
  int seq = 0;
  Session session{[this](RunControl& s) {
                    auto made = std::make_unique<Debugged<test::RecordingPlatform>>(s);
                    made->put_file("C:\\kal\\prueba.txt", script);
                    platform = made.get();
                    return made;
                  },
                  [this](const json& m) {
                    std::lock_guard lock(mutex);
                    received.push_back(m);
                    arrived.notify_all();
                  }};

  explicit Client(std::string text) : script(std::move(text)) {}

  json request(const std::string& command, json arguments = json::object()) {
    const int asked = ++seq;
    session.handle({{"seq", asked}, {"type", "request"}, {"command", command}, {"arguments", arguments}});
    std::lock_guard lock(mutex);
    for (const json& m : received)
      if (m["type"] == "response" && m["request_seq"] == asked) return m;
    return json();
  }
  // The next event of that name after the last one waited for.
  json event(const std::string& name) {
    std::unique_lock lock(mutex);
    json found;
    arrived.wait_for(lock, std::chrono::seconds(10), [&] {
      for (std::size_t i = events_read; i < received.size(); ++i)
        if (received[i]["type"] == "event" && received[i]["event"] == name) {
          found = received[i];
          events_read = i + 1;
          return true;
        }
      return false;
    });
    return found;
  }
  std::vector<std::string> output() {
    std::lock_guard lock(mutex);
    std::vector<std::string> out;
    for (const json& m : received)
      if (m["type"] == "event" && m["event"] == "output") out.push_back(m["body"]["output"]);
    return out;
  }
  void start(json breakpoints = json::array(), bool stop_on_entry = false) {
    request("initialize");
    ASSERT_TRUE(
        request("launch", {{"program", "C:\\kal\\prueba.txt"}, {"stopOnEntry", stop_on_entry}})["success"]);
    event("initialized");
    request("setBreakpoints", {{"source", {{"path", "C:\\kal\\prueba.txt"}}}, {"breakpoints", breakpoints}});
    request("configurationDone");
  }
  json values(int reference) {
    json names = json::object();
    const json answered = request("variables", {{"variablesReference", reference}});
    for (const json& v : answered["body"]["variables"]) names[v["name"].get<std::string>()] = v["value"];
    return names;
  }
  int line() { return request("stackTrace", {{"threadId", 1}})["body"]["stackFrames"][0]["line"]; }
};

const char* kLoop =
    ".codigo;\r\n"        // 1
    "&n := 0;\r\n"        // 2
    ":otra;\r\n"          // 3
    "&n := &n + 1;\r\n"   // 4
    ".aviso &n;\r\n"      // 5
    "&tres := 3;\r\n"     // 6
    ".cmp &n &tres;\r\n"  // 7
    ".saltarcero :otra;\r\n"
    "&t := ~fin;\r\n"  // 9
    "'la nota;\r\n"    // 10
    ".aviso &t;\r\n"   // 11
    ".fin;\r\n";

TEST(DebugSession, BreakpointsConditionsStepsAndChangedValues) {
  Client c(kLoop);
  c.start({{{"line", 5}, {"condition", "&n > 1"}}, {{"line", 10}, {"logMessage", "t vale {&t}"}}});
  const json stopped = c.event("stopped");
  EXPECT_EQ(stopped["body"]["reason"], "breakpoint");
  EXPECT_EQ(c.line(), 5);
  EXPECT_EQ(c.values(1), (json{{"&n", "2"}, {"&tres", "3"}}));  // the condition let the first round pass
  c.request("next");
  EXPECT_EQ(c.event("stopped")["body"]["reason"], "step");
  EXPECT_EQ(c.line(), 6);
  EXPECT_EQ(c.request("setVariable", {{"variablesReference", 1}, {"name", "&n"}, {"value", "3"}})["success"],
            true);
  const json evaluated = c.request("evaluate", {{"expression", "&n"}})["body"];
  EXPECT_EQ(evaluated["result"], "3");
  EXPECT_EQ(evaluated["type"], "entero");
  c.request("continue");
  c.event("terminated");
  // The boxes as KAL shows them: the changed value ended the loop at once; the logpoint wrote without
  // stopping.
  EXPECT_EQ(c.platform->boxes(),
            (std::vector<std::pair<std::string, std::string>>{{"KAL", "1"}, {"KAL", "2"}, {"KAL", "fin"}}));
  const auto out = c.output();
  EXPECT_NE(std::find(out.begin(), out.end(), "t vale fin\n"), out.end());
}

TEST(DebugSession, ARequestThatSetsTheRunGoingIsAnsweredBeforeWhatTheRunSaysNext) {
  // An editor (and the tests under Wine) waits for the answer, then for the stop or the end it brings: a stop
  // sent before the answer would be waited for again, for ever. Many rounds, as the order is a race.
  Client c(
      ".codigo;\r\n&n := 0;\r\n:otra;\r\n&n := &n + 1;\r\n&cien := 600;\r\n.cmp &n &cien;\r\n"
      ".saltarcero :otra;\r\n.fin;\r\n");
  c.start({{{"line", 4}}});
  for (int round = 0; round < 600; ++round) {
    c.event("stopped");
    c.request(round % 2 == 0 ? "continue" : "next");
    if (round % 2 == 1) {
      c.event("stopped");  // the step's
      c.request("continue");
    }
  }
  c.event("terminated");
  std::lock_guard lock(c.mutex);
  bool answered = false;  // the request that set the run going has its answer
  int stops = 0;
  for (const json& m : c.received) {
    const std::string command = m.value("command", ""), event = m.value("event", "");
    if (m["type"] == "response" &&
        (command == "configurationDone" || command == "continue" || command == "next"))
      answered = true;
    if (event == "stopped" || event == "exited") {
      EXPECT_TRUE(answered) << event << " before the answer, after " << stops << " stops";
      answered = false;
      ++stops;
    }
  }
  EXPECT_EQ(stops, 901);  // 600 at the breakpoint, 300 steps, and the end
}

TEST(DebugSession, TheStateShowsTheFlagTheDatabaseAndTheDrawing) {
  Client c(
      ".codigo;\r\n&an := 200;\r\n&al := 100;\r\n&blanco := 16777215;\r\n.memograf &an &al &blanco;\r\n"
      "&rojo := 255;\r\n.color &rojo &blanco;\r\n&x := 10;\r\n&y := 20;\r\n.posicion &x &y;\r\n"
      "&tres := 3;\r\n.pluma &tres;\r\n.cmp &x &x;\r\n'fin;\r\n.fin;\r\n");
  c.start({{{"line", 14}}});
  c.event("stopped");
  const json state = c.values(3);
  EXPECT_EQ(state["indicador"], "1");
  EXPECT_EQ(state["ventana"], "ninguna");
  EXPECT_EQ(state["imagen"], "200 x 100");
  EXPECT_EQ(state["color"], "255 sobre 16777215");
  EXPECT_EQ(state["pluma"], "3");
  EXPECT_EQ(state["posici\xC3\xB3n"], "10, 20");
  c.request("continue");
  c.event("terminated");
}

TEST(DebugSession, FieldsAndNamesReadAsTheScriptWritesThem) {
  Client c(
      ".codigo;\r\n[agenda];\r\n&valor := ~Ana_L\xF3pez;\r\n&ficha := %METER &valor;\r\n"
      "&r := %INSERTAR &ficha;\r\n&uno := 1;\r\n&r := %POSREG &uno;\r\n&mi_nombre := "
      "#nombre;\r\n'ya;\r\n.fin;\r\n");
  c.session.handle({{"seq", 0}, {"type", "request"}, {"command", "initialize"}});
  c.request("launch", {{"program", "C:\\kal\\prueba.txt"}});
  db::Field nombre{1, "nombre", 3, 30, 0, ""};
  c.platform->put_file("C:\\kal\\agenda\\agenda.z04", db::encode_field(nombre));
  c.request("setBreakpoints", {{"breakpoints", {{{"line", 3}}, {{"line", 9}}}}});
  c.request("configurationDone");
  c.event("stopped");
  // Before the first record is stored the data file is not there: a look creates nothing.
  EXPECT_EQ(c.request("evaluate", {{"expression", "#nombre"}})["success"], false);
  EXPECT_FALSE(c.platform->read_file("C:\\kal\\agenda\\agenda.zbd"));
  c.request("continue");
  c.event("stopped");
  EXPECT_EQ(c.request("evaluate", {{"expression", "#nombre"}})["body"]["result"], "Ana L\xC3\xB3pez");
  EXPECT_EQ(c.request("evaluate", {{"expression", "&mi_nombre"}})["body"]["result"], "Ana L\xC3\xB3pez");
  EXPECT_EQ(c.values(1)["&mi nombre"], "Ana L\xC3\xB3pez");
  EXPECT_EQ(c.request("setVariable",
                      {{"variablesReference", 1}, {"name", "&mi nombre"}, {"value", "Eva"}})["success"],
            true);
  EXPECT_EQ(c.request("evaluate", {{"expression", "&mi_nombre"}})["body"]["result"], "Eva");
  c.request("continue");
  c.event("terminated");
}

TEST(DebugSession, ARestartRunsAgainFromTheStart) {
  Client c(kLoop);
  c.start({{{"line", 5}}});
  c.event("stopped");
  c.request("continue");
  c.event("stopped");
  EXPECT_EQ(c.values(1)["&n"], "2");
  // The script changed on disk: the new one runs, with the breakpoint placed again on it.
  c.script = ".codigo;\r\n&n := 10;\r\n'nota;\r\n'nota;\r\n.aviso &n;\r\n.fin;\r\n";
  EXPECT_EQ(c.request("restart")["success"], true);
  EXPECT_EQ(c.event("stopped")["body"]["reason"], "breakpoint");
  EXPECT_EQ(c.values(1)["&n"], "10");
  EXPECT_EQ(c.platform->boxes().size(), 0u);  // a new platform: the first run's boxes were another's
  c.request("continue");
  c.event("terminated");
}

TEST(DebugSession, TheRunIsTheScriptAsLaunched) {
  // Compiled once, at launch: a change on disk before the run starts does not run, so that every breakpoint
  // stays on the statement it was placed on.
  Client c(".codigo;\r\n&n := 1;\r\n.aviso &n;\r\n.fin;\r\n");
  c.session.handle({{"seq", 0}, {"type", "request"}, {"command", "initialize"}});
  c.request("launch", {{"program", "C:\\kal\\prueba.txt"}});
  c.platform->put_file("C:\\kal\\prueba.txt", ".codigo;\r\n'otra cosa;\r\n&n := 2;\r\n.fin;\r\n");
  c.request("setBreakpoints", {{"breakpoints", {{{"line", 3}}}}});
  c.request("configurationDone");
  c.event("stopped");
  EXPECT_EQ(c.values(1)["&n"], "1");
  c.request("continue");
  c.event("terminated");
}

TEST(DebugSession, ARunPastItsEndShowsItsTraceAsKalDoes) {
  // The comment takes the .fin with it: the run goes past its last statement.
  Client c(".codigo;\r\n&a := 1;\r\n'sin fin .fin;\r\n");
  c.start();
  c.event("terminated");
  const auto out = c.output();
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(out.back().rfind("Hay 3 sentencias", 0), 0u) << out.back();
}

TEST(DebugSession, ARunWithoutDebuggingNeverStops) {
  Client c(kLoop);
  c.request("initialize");
  c.request("launch", {{"program", "C:\\kal\\prueba.txt"}, {"noDebug", true}, {"stopOnEntry", true}});
  c.request("setBreakpoints", {{"breakpoints", {{{"line", 5}}}}});
  c.request("configurationDone");
  c.request("pause");
  EXPECT_FALSE(c.event("terminated").is_null());
  EXPECT_EQ(c.platform->boxes().size(), 4u);  // 1, 2, 3 and fin
  std::lock_guard lock(c.mutex);
  EXPECT_TRUE(std::none_of(c.received.begin(), c.received.end(),
                           [](const json& m) { return m.value("event", "") == "stopped"; }));
}

TEST(DebugSession, PausesALoopAndEndsWhenTold) {
  Client c(".codigo;\r\n&n := 0;\r\n:otra;\r\n&n := &n + 1;\r\n.saltar :otra;\r\n.fin;\r\n");
  c.start();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the loop is going round
  c.request("pause");
  EXPECT_EQ(c.event("stopped")["body"]["reason"], "pause");
  const int line = c.line();
  EXPECT_TRUE(line >= 3 && line <= 5) << line;
  EXPECT_EQ(c.request("terminate")["success"], true);
  EXPECT_FALSE(c.event("terminated").is_null());
}

TEST(DebugSession, RunTimeErrorsStopFirstAndCompileErrorsAreAllSaid) {
  Client c(".codigo;\r\n&a := 1;\r\n.saltar :nada;\r\n.fin;\r\n");
  c.start();
  const json stopped = c.event("stopped");
  EXPECT_EQ(stopped["body"]["reason"], "exception");
  EXPECT_NE(stopped["body"]["text"].get<std::string>().find("nada"), std::string::npos);
  EXPECT_EQ(c.line(), 3);
  EXPECT_TRUE(c.platform->boxes().empty());  // not shown yet
  c.request("continue");
  c.event("terminated");
  ASSERT_EQ(c.platform->boxes().size(), 1u);
  EXPECT_EQ(c.platform->boxes()[0].first, "Programador");

  Client bad(".codigo;\r\n&a := 1\r\n&b := 2;\r\nhola!;\r\n.fin;\r\n");
  bad.request("initialize");
  const json refused = bad.request("launch", {{"program", "C:\\kal\\prueba.txt"}});
  EXPECT_EQ(refused["success"], false);
  const auto out = bad.output();
  ASSERT_EQ(out.size(), 2u);                                             // both errors, with their lines
  EXPECT_EQ(out[0].rfind("C:\\kal\\prueba.txt:2:7:", 0), 0u) << out[0];  // "1&b", joined across the line end
  EXPECT_EQ(out[1].rfind("C:\\kal\\prueba.txt:4:", 0), 0u) << out[1];
}

TEST(DebugSession, BadRequestsAreRefusedAndTheSessionGoesOn) {
  Client c(kLoop);
  EXPECT_EQ(c.request("threads")["success"], false);  // before initialize
  c.request("initialize");
  EXPECT_EQ(c.request("stackTrace")["success"], false);  // before launch
  c.request("launch", {{"program", "C:\\kal\\prueba.txt"}, {"stopOnEntry", true}});
  const json placed =
      c.request("setBreakpoints",
                {{"breakpoints", {{{"line", 3}}, {{"line", 99}}, {{"line", 4}, {"condition", "&n >> 1"}}}}});
  EXPECT_EQ(placed["body"]["breakpoints"][0]["verified"], true);
  EXPECT_EQ(placed["body"]["breakpoints"][0]["line"], 3);
  EXPECT_EQ(placed["body"]["breakpoints"][1]["verified"], false);
  EXPECT_EQ(placed["body"]["breakpoints"][2]["verified"], false);
  c.request("configurationDone");
  EXPECT_EQ(c.event("stopped")["body"]["reason"], "entry");
  EXPECT_EQ(c.request("frobnicate")["success"], false);
  EXPECT_EQ(c.request("setVariable", {{"variablesReference", 2}, {"name", "@x"}, {"value", "1"}})["success"],
            false);
  EXPECT_EQ(
      c.request("setVariable", {{"variablesReference", 1}, {"name", "&nadie"}, {"value", "1"}})["success"],
      false);
  c.session.handle(json::array());  // no request at all: nothing to answer
  EXPECT_EQ(c.request("disconnect")["success"], true);
  EXPECT_TRUE(c.session.over());
}

TEST(DebugSession, HostileMessagesGetSpanishAnswersAndTheSessionServesOn) {
  Client c(kLoop);
  // Fields of the wrong JSON type: answered with an error when the message has its number, else passed over.
  struct Sent {
    json message;
    std::string says;  // in the error response; "-" for a word on standard error; empty for nothing at all
  };
  const Sent sent[] = {
      {{{"seq", 101}, {"type", 7}, {"command", "initialize"}}, "\"type\": \"request\""},
      {{{"seq", 102}, {"type", "request"}, {"command", json::array()}}, "\"command\""},
      {{{"seq", 103}, {"type", "request"}}, "\"command\""},
      {{{"seq", "104"}, {"type", "request"}, {"command", "initialize"}}, "-"},
      {{{"type", "request"}, {"command", "initialize"}}, "-"},
      {{{"seq", 105}, {"type", "event"}, {"event", "x"}}, ""},
  };
  for (const Sent& m : sent) {
    const std::size_t before = c.received.size();
    c.session.handle(m.message);
    ASSERT_EQ(c.received.size(), before + (m.says.empty() ? 0 : 1)) << m.message;
    if (m.says.empty()) continue;
    const json& got = c.received.back();
    if (m.says == "-") {
      EXPECT_EQ(got["body"]["category"], "stderr") << got;
      EXPECT_NO_THROW((void)got.dump()) << "the session's words reach the editor as UTF-8";
      continue;
    }
    EXPECT_EQ(got["request_seq"], m.message["seq"]);
    EXPECT_EQ(got["success"], false);
    EXPECT_NE(got["message"].get<std::string>().find(m.says), std::string::npos) << got;
  }
  c.request("initialize");
  // Arguments of the wrong type are refused in the session's words.
  const json wrong = c.request("launch", {{"program", "C:\\kal\\prueba.txt"}, {"stopOnEntry", "s\xC3\xAD"}});
  EXPECT_EQ(wrong["message"], "stopOnEntry es true o false");
  c.request("launch", {{"program", "C:\\kal\\prueba.txt"}, {"stopOnEntry", true}});
  // Each bad breakpoint is unverified with its own reason; the good ones beside them stand.
  const json asked = json::array({
      {{"line", -1}},
      {{"line", "5"}},
      {{"line", 5}, {"hitCondition", "-1"}},
      {{"line", 5}, {"hitCondition", "3abc"}},
      {{"line", 5}, {"condition", 5}},
      {{"line", 5}, {"logMessage", json::object()}},
      7,
      {{"line", 4}, {"hitCondition", ">= 2"}},
      {{"line", 11}},
  });
  const char* const reasons[] = {
      "La l\xC3\xADnea de un punto de parada es un n\xC3\xBAmero entero desde 1",
      "La l\xC3\xADnea de un punto de parada es un n\xC3\xBAmero entero desde 1",
      "Las veces se escriben con cifras: 3, o >= 3",
      "Las veces se escriben con cifras: 3, o >= 3",
      "La condici\xC3\xB3n es un texto: &total > 100, o .mar &total 100",
      "El mensaje de un punto de registro es un texto: total {&total}",
      "Un punto de parada es un objeto con su l\xC3\xADnea: {\"line\": 12}",
  };
  const json placed = c.request("setBreakpoints", {{"breakpoints", asked}})["body"]["breakpoints"];
  ASSERT_EQ(placed.size(), asked.size());
  for (std::size_t i = 0; i < std::size(reasons); ++i) {
    EXPECT_EQ(placed[i]["verified"], false) << i;
    EXPECT_EQ(placed[i]["message"], reasons[i]) << i;
    EXPECT_TRUE(!placed[i].contains("line") || placed[i]["line"] == 5) << placed[i];
  }
  EXPECT_EQ(placed[7], (json{{"verified", true}, {"line", 4}}));
  EXPECT_EQ(placed[8], (json{{"verified", true}, {"line", 11}}));
  c.request("configurationDone");
  EXPECT_EQ(c.event("stopped")["body"]["reason"], "entry");
  c.request("continue");
  EXPECT_EQ(c.event("stopped")["body"]["reason"], "breakpoint");
  EXPECT_EQ(c.values(1)["&n"], "1");  // the second time line 4 runs: &n is 1 before it
  // A value is held to what the script reads: up to its first NUL, at most 63,999 characters.
  std::string value(70000, 'a');
  value[65000] = '\0';
  const json set = c.request("setVariable", {{"variablesReference", 1}, {"name", "&n"}, {"value", value}});
  EXPECT_EQ(set["body"]["value"], std::string(63999, 'a'));
  EXPECT_EQ(c.values(1)["&n"], std::string(63999, 'a'));
  c.request("setVariable", {{"variablesReference", 1},
                            {"name", "&n"},
                            {"value", std::string("2\0"
                                                  "9",
                                                  3)}});
  EXPECT_EQ(c.request("evaluate", {{"expression", "&n"}})["body"]["result"], "2");
  EXPECT_EQ(c.request("disconnect")["success"], true);
}

TEST(DebugSession, AScriptFarTooLargeIsRefusedByItsSize) {
  Client c(".codigo;\r\n'" + std::string(5 << 20, 'x') + ";\r\n.fin;\r\n");
  c.request("initialize");
  const json refused = c.request("launch", {{"program", "C:\\kal\\prueba.txt"}});
  EXPECT_EQ(refused["success"], false);
  EXPECT_EQ(
      refused["message"],
      "El programa C:\\kal\\prueba.txt tiene 5242901 bytes: ning\xC3\xBAn programa de KAL pasa de 4 MB");
}

}  // namespace
}  // namespace kal::debug
