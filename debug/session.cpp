#include "debug/session.h"

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <utility>

#include "checker/script_checker.h"
#include "common/cp1252.h"
#include "common/limits.h"
#include "common/messages.h"
#include "compiler/token_class.h"
#include "debug/arguments.h"
#include "interp/run_state.h"
#include "launcher/startup.h"
#include "values/value.h"

namespace kal::debug {
namespace {

using json = nlohmann::json;

constexpr int kVariables = 1, kConstants = 2, kState = 3;

std::string utf8(std::string_view cp1252_text) {
  return cp1252::to_utf8(cp1252_text);
}

json shown(const ShownValue& v) {
  return {{"value", utf8(v.value)}, {"type", v.kind}};
}

json store_variables(const std::vector<ShownValue>& values, char sigil) {
  json list = json::array();
  for (const ShownValue& v : values) {
    json row = shown(v);
    row["name"] = utf8(sigil + v.name);
    row["variablesReference"] = 0;
    list.push_back(std::move(row));
  }
  return list;
}

}  // namespace

Session::Session(RunControl::MakePlatform make_platform, std::function<void(const json&)> send,
                 std::function<void()> on_run_thread)
    : make_platform_(std::move(make_platform)),
      send_(std::move(send)),
      on_run_thread_(std::move(on_run_thread)) {}

Session::~Session() = default;

void Session::event(const std::string& name, json body) {
  std::lock_guard lock(send_mutex_);
  send_({{"seq", ++seq_}, {"type", "event"}, {"event", name}, {"body", std::move(body)}});
}

// The session's words, like KAL's, are Windows-1252 up to here, where they become the protocol's UTF-8.
void Session::output(std::string_view text, std::string_view category) {
  event("output", {{"category", category}, {"output", utf8(text)}});
}

void Session::bad_message(rpc::Fault fault) {
  output(fault == rpc::Fault::BadHeader ? "kaldebug: un mensaje sin cabecera Content-Length\n"
         : fault == rpc::Fault::TooDeep ? "kaldebug: un mensaje anidado en exceso\n"
                                        : "kaldebug: un mensaje que no es JSON\n",
         "stderr");
}

void Session::handle(const json& message) {
  if (!message.is_object()) {
    output("kaldebug: un mensaje que no es un objeto JSON\n", "stderr");
    return;
  }
  // A message without its number cannot be answered: the client would not know what the answer is to.
  const auto seq = message.find("seq");
  if (seq == message.end() || !seq->is_number_integer()) {
    output("kaldebug: un mensaje sin su n\xFAmero (seq, un entero): no se contesta\n", "stderr");
    return;
  }
  const auto type = message.find("type");
  if (type != message.end() && type->is_string() && type->get<std::string>() != "request")
    return;  // the client's events and responses ask for nothing
  const auto command = message.find("command");
  const std::string name =
      command != message.end() && command->is_string() ? command->get<std::string>() : "";
  json response = {{"type", "response"}, {"request_seq", *seq}, {"command", name}, {"success", true}};
  after_answer_ = {};
  try {
    if (type == message.end() || !type->is_string())
      throw Refusal("Un mensaje del cliente lleva \"type\": \"request\"");
    if (command == message.end() || !command->is_string())
      throw Refusal("Una petici\xF3n lleva su nombre en \"command\", un texto");
    response["body"] = answer(name, message);
  } catch (const std::exception& e) {
    after_answer_ = {};
    response["success"] = false;
    response["message"] = utf8(e.what());  // the session's own words are Windows-1252, as KAL's
  }
  {
    std::lock_guard lock(send_mutex_);
    response["seq"] = ++seq_;
    send_(response);
  }
  if (after_answer_) std::exchange(after_answer_, {})();
}

Session::json Session::answer(const std::string& command, const json& request) {
  const json args = request.contains("arguments") && request["arguments"].is_object() ? request["arguments"]
                                                                                      : json::object();
  if (command == "initialize") {
    initialized_ = true;
    return {{"supportsConfigurationDoneRequest", true},
            {"supportsConditionalBreakpoints", true},
            {"supportsHitConditionalBreakpoints", true},
            {"supportsLogPoints", true},
            {"supportsSetVariable", true},
            {"supportsEvaluateForHovers", true},
            {"supportsTerminateRequest", true},
            {"supportsRestartRequest", true}};
  }
  if (!initialized_) throw Refusal("Primero, initialize");
  if (command == "launch") {
    json body = launch(args);
    // Breakpoints are asked for once the script is known, so that each is placed on its statement.
    after_answer_ = [this] { event("initialized"); };
    return body;
  }
  if (command == "disconnect" || command == "terminate") {
    if (run_) after_answer_ = [this] { run_->end(); };
    disconnected_ = disconnected_ || command == "disconnect";
    return json::object();
  }
  if (!run_) throw Refusal("Primero, launch con el programa");
  if (command == "restart") return restart(args);
  if (command == "setBreakpoints") {
    breakpoint_args_ = args;
    return set_breakpoints(args);
  }
  if (command == "setExceptionBreakpoints") return {{"breakpoints", json::array()}};
  if (command == "configurationDone") {
    after_answer_ = [this] { run_->start(); };
    return json::object();
  }
  if (command == "threads") return {{"threads", json::array({{{"id", 1}, {"name", "KAL"}}})}};
  if (command == "continue") {
    resume(RunControl::Mode::Run);
    return {{"allThreadsContinued", true}};
  }
  if (command == "next" || command == "stepIn" || command == "stepOut") {
    resume(RunControl::Mode::Step);
    return json::object();
  }
  if (command == "pause") {
    after_answer_ = [this] { run_->pause(); };
    return json::object();
  }
  if (command == "stackTrace") return stack_trace();
  if (command == "scopes")
    return {{"scopes",
             json::array({{{"name", "Variables"}, {"variablesReference", kVariables}, {"expensive", false}},
                          {{"name", "Constantes"}, {"variablesReference", kConstants}, {"expensive", false}},
                          {{"name", "Estado"}, {"variablesReference", kState}, {"expensive", false}}})}};
  if (command == "variables") return variables(number_argument(args, "variablesReference"));
  if (command == "setVariable") return set_variable(args);
  if (command == "evaluate") return evaluate(args);
  throw Refusal("kaldebug no conoce la petici\xF3n " + command);
}

void Session::resume(RunControl::Mode mode) {
  // Only this thread lets a stopped run go on, so it is still stopped once the answer is sent.
  if (!run_->stopped()) throw Refusal("El programa no est\xE1 parado");
  after_answer_ = [this, mode] { run_->resume(mode); };
}

Session::json Session::launch(const json& args) {
  if (run_) throw Refusal("El programa ya est\xE1 lanzado");
  const std::string path = cp1252::from_utf8(text_argument(args, "program"));
  if (path.empty()) throw Refusal("Falta el programa (program)");
  const bool no_debug = flag_argument(args, "noDebug"), stop_on_entry = flag_argument(args, "stopOnEntry");
  std::string folder = cp1252::from_utf8(text_argument(args, "programFolder", utf8(folder_of(path))));
  const std::string source_path = text_argument(args, "sourcePath", utf8(path));
  // Each run has a platform of its own: nothing of an earlier run's windows is left in it.
  auto run = std::make_unique<RunControl>(
      make_platform_,
      RunControl::Events{
          .stopped =
              [this](std::string_view reason, std::string_view text) {
                json body = {{"reason", reason}, {"threadId", 1}, {"allThreadsStopped", true}};
                if (!text.empty()) body["description"] = body["text"] = utf8(text);
                event("stopped", body);
              },
          .output = [this](std::string_view text, std::string_view category) { output(text, category); },
          .ended =
              [this] {
                event("exited", {{"exitCode", 0}});
                event("terminated");
              }},
      on_run_thread_);
  Platform& platform = run->platform();
  // Far larger than any script is refused by its size, before it is read.
  const std::optional<FileInfo> info = platform.file_info(path);
  if (info && info->size > limits::kMaxToolScriptBytes)
    throw Refusal("El programa " + path + " tiene " + std::to_string(info->size) +
                  " bytes: ning\xFAn programa de KAL pasa de " +
                  std::to_string(limits::kMaxToolScriptBytes / (1024 * 1024)) + " MB");
  const std::optional<std::string> bytes = platform.read_file(path);
  if (!bytes) {
    output("No se puede leer " + path + "\n", "stderr");
    throw Refusal("No se puede leer el programa " + path);
  }
  // A script KAL would refuse before running is not started: every error the checker finds, with its line, as
  // kalcheck shows it. One that compiles runs, and a run-time error stops the debugger where it happens.
  // The checker compiles it once, with the interpreter's own compiler, and the run runs what it compiled.
  Program program;
  const check::Analysis analysis = check::analyze_script(*bytes, &program);
  if (!analysis.compiles) {
    std::size_t errors = 0;
    const check::Problem* first = nullptr;
    for (const check::Problem& p : analysis.problems) {
      if (!p.error) continue;
      if (++errors == 1) first = &p;
      output(cp1252::from_utf8(check::format_problem(path, p)) + "\n", "stderr");
    }
    throw Refusal("El programa no compila (" + std::to_string(errors) +
                  (errors == 1 ? " error" : " errores") + ")" +
                  (first ? ": l\xEDnea " + std::to_string(first->line) + ": " + first->message : ""));
  }
  if (!folder.empty() && !folder.ends_with('\\') && !folder.ends_with('/')) folder += '\\';
  launch_args_ = args;
  script_path_ = path;
  // Under Wine the editor knows the script by another path than the one the adapter opens.
  source_path_ = source_path;
  statement_lines_ = analysis.statement_lines;
  run->prepare(std::move(program), folder, {.stop_on_entry = stop_on_entry, .no_debug = no_debug});
  run_ = std::move(run);
  return json::object();
}

Session::json Session::set_breakpoints(const json& args) {
  const json* asked_for = argument(args, "breakpoints");
  if (asked_for != nullptr && !asked_for->is_array())
    throw Refusal("breakpoints es una lista de puntos de parada");
  json answered = json::array();
  std::map<std::size_t, Breakpoint> placed;
  for (const json& asked : asked_for == nullptr ? json::array() : *asked_for) {
    // Each one is read on its own: a bad one is unverified, with why, and the others stand.
    Breakpoint b;
    const json* line = asked.is_object() ? argument(asked, "line") : nullptr;
    std::string why;
    if (!asked.is_object())
      why = "Un punto de parada es un objeto con su l\xEDnea: {\"line\": 12}";
    else if (line == nullptr || !line->is_number_integer() || line->get<std::int64_t>() < 1)
      why = "La l\xEDnea de un punto de parada es un n\xFAmero entero desde 1";
    else
      b.placed = place_breakpoint(statement_lines_, line->get<std::size_t>());
    // The rest only of a breakpoint whose line was read.
    const json* condition = why.empty() ? argument(asked, "condition") : nullptr;
    const json* hits = why.empty() ? argument(asked, "hitCondition") : nullptr;
    const json* log = why.empty() ? argument(asked, "logMessage") : nullptr;
    if (condition != nullptr && !condition->is_string())
      why = "La condici\xF3n es un texto: &total > 100, o .mar &total 100";
    else if (condition != nullptr && !condition->get<std::string>().empty())
      b.condition = parse_condition(cp1252::from_utf8(condition->get<std::string>()), &why);
    if (why.empty() && hits != nullptr) {
      const std::optional<std::size_t> from =
          hits->is_string() ? hits_from(hits->get<std::string>()) : std::nullopt;
      if (from)
        b.hits_needed = *from;
      else
        why = "Las veces se escriben con cifras: 3, o >= 3";
    }
    if (why.empty() && log != nullptr) {
      if (log->is_string())
        b.log = cp1252::from_utf8(log->get<std::string>());
      else
        why = "El mensaje de un punto de registro es un texto: total {&total}";
    }
    if (!why.empty()) {
      b.placed.verified = false;
      b.placed.message = why;
    }
    json shown = {{"verified", b.placed.verified}};
    if (b.placed.line != 0) shown["line"] = b.placed.line;
    if (!b.placed.message.empty()) shown["message"] = utf8(b.placed.message);
    answered.push_back(shown);
    if (b.placed.verified) placed[b.placed.statement] = std::move(b);
  }
  run_->set_breakpoints(std::move(placed));
  return {{"breakpoints", answered}};
}

Session::json Session::restart(const json& args) {
  // The run ends as a terminate ends it, and the next starts once it has: a script that waits in one of KAL's
  // boxes ends only when the box is answered, so a restart then is refused rather than left hanging.
  if (!run_->end_quietly(std::chrono::seconds(3)))
    throw Refusal("El programa espera en una ventana de KAL: cont\xE9stela y el programa termina");
  run_.reset();
  launch(args.contains("arguments") && args["arguments"].is_object() ? args["arguments"] : launch_args_);
  // The breakpoints asked for before are placed again on the script as it is now.
  if (!breakpoint_args_.is_null()) set_breakpoints(breakpoint_args_);
  after_answer_ = [this] { run_->start(); };
  return json::object();
}

Session::json Session::stack_trace() {
  std::size_t statement = 0;
  if (!run_->when_stopped([&](Interpreter&, std::size_t at) { statement = at; }))
    throw Refusal("El programa no est\xE1 parado");
  const std::size_t line =
      statement >= 1 && statement <= statement_lines_.size() ? statement_lines_[statement - 1] : 0;
  const std::string name(folder_of(script_path_).size() < script_path_.size() ? name_of(script_path_)
                                                                              : script_path_);
  return {{"stackFrames", json::array({{{"id", 1},
                                        {"name", "sentencia " + std::to_string(statement)},
                                        {"line", line},
                                        {"column", 1},
                                        {"source", {{"name", utf8(name)}, {"path", source_path_}}}}})},
          {"totalFrames", 1}};
}

Session::json Session::variables(std::int64_t reference) {
  if (reference != kVariables && reference != kConstants && reference != kState)
    throw Refusal("No hay tales variables");
  json list = json::array();
  run_->when_stopped([&](Interpreter& in, std::size_t) {
    const RunState state = run_state(in);
    if (reference == kVariables) list = store_variables(state.variables, '&');
    if (reference == kConstants) list = store_variables(state.constants, '@');
    if (reference == kState)
      for (const auto& [name, value] : state.rows)
        list.push_back({{"name", utf8(name)}, {"value", utf8(value)}, {"variablesReference", 0}});
  });
  return {{"variables", list}};
}

Session::json Session::set_variable(const json& args) {
  const std::string name = cp1252::from_utf8(text_argument(args, "name"));
  const std::string value(working_text(cp1252::from_utf8(text_argument(args, "value"))));
  const bool variable = number_argument(args, "variablesReference") == kVariables && name.starts_with('&');
  bool known = false;
  const bool stopped = run_->when_stopped([&](Interpreter& in, std::size_t) {
    if (!variable) return;
    const std::string stored = convert_field(name);
    if ((known = in.variables.index(stored) != 0))
      // Held to what the script will read, so that the panel, hovers and logpoints show the script's value.
      in.write(in.variables, stored, value);
  });
  if (!stopped) throw Refusal("El programa no est\xE1 parado");
  if (!variable)
    throw Refusal("Solo las variables (&) cambian de valor: una constante guarda el primero que recibe");
  if (!known) throw Refusal("No hay ninguna variable " + name);
  return shown(shown_value(name.substr(1), value));
}

Session::json Session::evaluate(const json& args) {
  const std::string expression = cp1252::from_utf8(text_argument(args, "expression"));
  const std::optional<std::string> value = run_->value_of(expression);
  if (!value) throw Refusal("No hay ning\xFAn valor " + expression + " ahora");
  const json result = shown(shown_value(expression, *value));
  return {{"result", result["value"]}, {"type", result["type"]}, {"variablesReference", 0}};
}

}  // namespace kal::debug
