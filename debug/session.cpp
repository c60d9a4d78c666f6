#include "debug/session.h"

#include <chrono>
#include <stdexcept>

#include "checker/script_checker.h"
#include "common/cp1252.h"
#include "common/halt.h"
#include "common/messages.h"
#include "compiler/token_class.h"
#include "launcher/script_reader.h"
#include "launcher/startup.h"
#include "values/value.h"

namespace kal::debug {
namespace {

using json = nlohmann::json;

constexpr int kVariables = 1, kConstants = 2, kState = 3;

// A request the session cannot grant: its response says why (Spanish, as KAL's own messages).
struct Refusal : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::string utf8(std::string_view cp1252_text) {
  return cp1252::to_utf8(cp1252_text);
}

json store_variables(const VariableStore& store) {
  json list = json::array();
  for (std::size_t slot = 1; slot <= store.size(); ++slot)
    list.push_back({{"name", utf8(std::string(1, store.sigil()) + store.name(slot))},
                    {"value", utf8(store.value(slot))},
                    {"type", std::string(class_name(store.value(slot)))},
                    {"variablesReference", 0}});
  return list;
}

}  // namespace

Session::Session(MakePlatform make_platform, std::function<void(const json&)> send,
                 std::function<void()> on_run_thread)
    : make_platform_(std::move(make_platform)),
      send_(std::move(send)),
      on_run_thread_(std::move(on_run_thread)) {}

Session::~Session() {
  {
    std::lock_guard lock(mutex_);
    terminating_ = true;
    stopped_ = false;
    attend();
  }
  wake_.notify_all();
  if (run_.joinable()) run_.join();
}

void Session::attend() {
  attention_.store(!breakpoints_.empty() || mode_ != Mode::Run || terminating_, std::memory_order_release);
}

bool Session::over() const {
  std::lock_guard lock(mutex_);
  return disconnected_;
}

void Session::event(const std::string& name, json body) {
  std::lock_guard lock(send_mutex_);
  send_({{"seq", ++seq_}, {"type", "event"}, {"event", name}, {"body", std::move(body)}});
}

void Session::output(const std::string& text, const std::string& category) {
  event("output", {{"category", category}, {"output", text}});
}

void Session::bad_message(const std::string& why) {
  output("kaldebug: " + why + "\n", "stderr");
}

void Session::handle(const json& message) {
  if (!message.is_object() || message.value("type", "") != "request") return;
  json response = {{"type", "response"},
                   {"request_seq", message.value("seq", 0)},
                   {"command", message.value("command", "")},
                   {"success", true}};
  bool then_initialized = false;
  try {
    response["body"] = answer(message);
    then_initialized = message.value("command", "") == "launch";
  } catch (const std::exception& e) {
    response["success"] = false;
    response["message"] = utf8(e.what());  // the session's own words are Windows-1252, as KAL's
  }
  {
    std::lock_guard lock(send_mutex_);
    response["seq"] = ++seq_;
    send_(response);
  }
  // Breakpoints are asked for once the script is known, so that each is placed on its statement.
  if (then_initialized) event("initialized");
}

Session::json Session::answer(const json& request) {
  const std::string command = request.value("command", "");
  const json args = request.contains("arguments") && request["arguments"].is_object() ? request["arguments"]
                                                                                      : json::object();
  if (command == "initialize") {
    std::lock_guard lock(mutex_);
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
  if (command == "launch") return launch(args);
  if (command == "disconnect" || command == "terminate") {
    {
      std::lock_guard lock(mutex_);
      terminating_ = true;
      stopped_ = false;
      if (command == "disconnect") disconnected_ = true;
      attend();
    }
    wake_.notify_all();
    return json::object();
  }
  if (!launched_) throw Refusal("Primero, launch con el programa");
  if (command == "restart") return restart(args);
  if (command == "setBreakpoints") {
    breakpoint_args_ = args;
    return set_breakpoints(args);
  }
  if (command == "setExceptionBreakpoints") return {{"breakpoints", json::array()}};
  if (command == "configurationDone") {
    start_run();
    return json::object();
  }
  if (command == "threads") return {{"threads", json::array({{{"id", 1}, {"name", "KAL"}}})}};
  if (command == "continue") {
    resume(Mode::Run);
    return {{"allThreadsContinued", true}};
  }
  if (command == "next" || command == "stepIn" || command == "stepOut") {
    resume(Mode::Step);
    return json::object();
  }
  if (command == "pause") {
    std::lock_guard lock(mutex_);
    if (!stopped_ && !no_debug_) mode_ = Mode::Pause;
    attend();
    return json::object();
  }
  if (command == "stackTrace") return stack_trace();
  if (command == "scopes")
    return {{"scopes",
             json::array({{{"name", "Variables"}, {"variablesReference", kVariables}, {"expensive", false}},
                          {{"name", "Constantes"}, {"variablesReference", kConstants}, {"expensive", false}},
                          {{"name", "Estado"}, {"variablesReference", kState}, {"expensive", false}}})}};
  if (command == "variables") return variables(args.value("variablesReference", 0));
  if (command == "setVariable") return set_variable(args);
  if (command == "evaluate") return evaluate(args);
  throw Refusal("kaldebug no conoce la petici\xF3n " + command);
}

Session::json Session::launch(const json& args) {
  if (launched_) throw Refusal("El programa ya est\xE1 lanzado");
  if (!args.contains("program") || !args["program"].is_string()) throw Refusal("Falta el programa (program)");
  const std::string path = cp1252::from_utf8(args["program"].get<std::string>());
  // Each run has a platform of its own: nothing of an earlier run's windows is left in it.
  platform_ = make_platform_(*this);
  const std::optional<std::string> bytes = platform_->read_file(path);
  if (!bytes) {
    output(utf8("No se puede leer " + path) + "\n", "stderr");
    throw Refusal("No se puede leer el programa " + path);
  }
  // A script KAL would refuse before running is not started: every error the checker finds, with its line, as
  // kalcheck shows it. One that compiles runs, and a run-time error stops the debugger where it happens.
  const check::Analysis analysis = check::analyze_script(*bytes);
  std::string joined = *bytes;
  join_lines_in_place(joined);
  Program probe;
  if (const std::optional<std::string> refused = compile_script(joined, probe)) {
    std::size_t errors = 0;
    for (const check::Problem& p : analysis.problems) {
      if (!p.error) continue;
      ++errors;
      output(check::format_problem(path, p) + "\n", "stderr");
    }
    throw Refusal("El programa no compila (" + std::to_string(errors) +
                  (errors == 1 ? " error" : " errores") + "): " + *refused);
  }
  std::string folder = args.contains("programFolder") && args["programFolder"].is_string()
                           ? cp1252::from_utf8(args["programFolder"].get<std::string>())
                           : std::string(folder_of(path));
  if (!folder.empty() && !folder.ends_with('\\') && !folder.ends_with('/')) folder += '\\';
  std::lock_guard lock(mutex_);
  launch_args_ = args;
  script_path_ = path;
  // Under Wine the editor knows the script by another path than the one the adapter opens.
  source_path_ = args.contains("sourcePath") && args["sourcePath"].is_string()
                     ? args["sourcePath"].get<std::string>()
                     : utf8(path);
  program_folder_ = folder;
  statement_lines_ = analysis.statement_lines;
  no_debug_ = args.value("noDebug", false);
  stop_on_entry_ = args.value("stopOnEntry", false) && !no_debug_;
  launched_ = true;
  return json::object();
}

Session::json Session::set_breakpoints(const json& args) {
  json answered = json::array();
  std::map<std::size_t, Breakpoint> placed;
  for (const json& asked : args.value("breakpoints", json::array())) {
    Breakpoint b;
    b.placed = place_breakpoint(statement_lines_, asked.value("line", 0));
    json shown = {{"verified", b.placed.verified}, {"line", b.placed.line}};
    std::string why;
    if (asked.contains("condition") && asked["condition"].is_string() &&
        !asked["condition"].get<std::string>().empty()) {
      b.condition = parse_condition(cp1252::from_utf8(asked["condition"].get<std::string>()), &why);
      if (!b.condition) {
        b.placed.verified = false;
        b.placed.message = why;
      }
    }
    if (asked.contains("hitCondition") && asked["hitCondition"].is_string()) {
      const std::string hits = asked["hitCondition"].get<std::string>();
      const std::size_t digits = hits.find_first_not_of(">= ");
      try {
        b.hits_needed = digits == std::string::npos ? 0 : std::stoul(hits.substr(digits));
      } catch (const std::exception&) {
        b.placed.verified = false;
        b.placed.message = "Las veces se escriben con cifras: 3, o >= 3";
      }
    }
    if (asked.contains("logMessage") && asked["logMessage"].is_string())
      b.log = cp1252::from_utf8(asked["logMessage"].get<std::string>());
    shown["verified"] = b.placed.verified;
    if (!b.placed.message.empty()) shown["message"] = utf8(b.placed.message);
    answered.push_back(shown);
    if (b.placed.verified) placed[b.placed.statement] = std::move(b);
  }
  std::lock_guard lock(mutex_);
  breakpoints_ = std::move(placed);
  attend();
  return {{"breakpoints", answered}};
}

Session::json Session::restart(const json& args) {
  {
    // The run ends as a terminate ends it, and the next starts once it has: a script that waits in one of
    // KAL's boxes ends only when the box is answered, so a restart then is refused rather than left hanging.
    std::unique_lock lock(mutex_);
    restarting_ = true;
    terminating_ = true;
    stopped_ = false;
    attend();
    wake_.notify_all();
    if (!wake_.wait_for(lock, std::chrono::seconds(3), [this] { return run_over_ || !configured_; })) {
      restarting_ = false;
      throw Refusal("El programa espera en una ventana de KAL: cont\xE9stela y el programa termina");
    }
  }
  if (run_.joinable()) run_.join();
  json again = args.contains("arguments") && args["arguments"].is_object() ? args["arguments"] : launch_args_;
  {
    std::lock_guard lock(mutex_);
    launched_ = configured_ = terminating_ = run_over_ = restarting_ = stopped_ = false;
    mode_ = Mode::Run;
    statement_ = 0;
    in_ = nullptr;
    attend();
  }
  platform_.reset();
  launch(again);
  // The breakpoints asked for before are placed again on the script as it is now.
  if (!breakpoint_args_.is_null()) set_breakpoints(breakpoint_args_);
  start_run();
  return json::object();
}

void Session::start_run() {
  std::lock_guard lock(mutex_);
  if (configured_) return;
  configured_ = true;
  if (stop_on_entry_) mode_ = Mode::Pause;
  attend();
  run_ = std::thread([this] {
    if (on_run_thread_) on_run_thread_();
    try {
      run_script(*platform_, script_path_, program_folder_, this);
    } catch (const Halt&) {
      // An error box was shown, the window closed, or the client ended the run.
    } catch (const std::exception& e) {
      output(std::string("kaldebug: ") + e.what() + "\n", "stderr");
    }
    // A run that went past its end left its trace: shown here too, as the viewer shows it.
    if (const auto trace = platform_->read_file(program_folder_ + std::string(msg::kTraceFileName)))
      output(utf8(*trace), "stdout");
    bool restarting = false;
    {
      std::lock_guard done(mutex_);
      run_over_ = true;
      restarting = restarting_;
    }
    wake_.notify_all();
    if (restarting) return;
    event("exited", {{"exitCode", 0}});
    event("terminated");
  });
}

void Session::resume(Mode mode) {
  {
    std::lock_guard lock(mutex_);
    if (!stopped_) throw Refusal("El programa no est\xE1 parado");
    mode_ = mode;
    stopped_ = false;
    attend();
  }
  wake_.notify_all();
}

void Session::watching(Interpreter& in) {
  std::lock_guard lock(mutex_);
  in_ = &in;
}

void Session::finished(const Interpreter&) {
  std::lock_guard lock(mutex_);
  in_ = nullptr;
}

std::optional<std::string> Session::value_of(std::string_view name) const {
  if (in_ == nullptr || name.size() < 2) return std::nullopt;
  // Names as the script writes them: "_" is a blank ("&mi_nombre" is the variable "mi nombre").
  const std::string stored = convert_field(name);
  if (name[0] == '#') return in_->database.peek_field(stored);
  const VariableStore* store = name[0] == '&' ? &in_->variables : name[0] == '@' ? &in_->constants : nullptr;
  if (store == nullptr) return std::nullopt;
  const std::size_t slot = store->index(stored);
  if (slot == 0) return std::nullopt;
  return store->value(slot);
}

void Session::before_statement(std::size_t number, const Statement&) {
  statement_.store(number, std::memory_order_relaxed);
  if (!attention_.load(std::memory_order_acquire)) return;
  std::unique_lock lock(mutex_);
  if (terminating_) {
    lock.unlock();
    end_program();
  }
  if (no_debug_) return;
  if (mode_ != Mode::Run) {
    stop_here(lock, mode_ == Mode::Step ? "step" : number == 1 && stop_on_entry_ ? "entry" : "pause", {});
    return;
  }
  auto it = breakpoints_.find(number);
  if (it == breakpoints_.end()) return;
  Breakpoint& b = it->second;
  const auto value = [this](std::string_view name) { return value_of(name); };
  if (b.condition && !holds(*b.condition, value)) return;
  if (++b.hits < b.hits_needed) return;
  if (!b.log.empty()) {
    output(utf8(log_message(b.log, value)) + "\n");
    return;
  }
  stop_here(lock, "breakpoint", {});
}

void Session::end_if_told() {
  // Asked at every wait's turn: the lock only when an end may have been asked for.
  if (!attention_.load(std::memory_order_acquire)) return;
  {
    std::lock_guard lock(mutex_);
    if (!terminating_ || in_ == nullptr) return;
  }
  end_program();
}

void Session::before_error_box(std::string_view text) {
  std::unique_lock lock(mutex_);
  if (terminating_) return;
  stop_here(lock, "exception", std::string(text));
}

void Session::stop_here(std::unique_lock<std::mutex>& lock, const std::string& reason,
                        const std::string& text) {
  stopped_ = true;
  mode_ = Mode::Run;
  attend();
  json body = {{"reason", reason}, {"threadId", 1}, {"allThreadsStopped", true}};
  if (!text.empty()) {
    body["description"] = utf8(text);
    body["text"] = utf8(text);
  }
  event("stopped", body);
  // While it waits, the script's windows still answer (a graphics window is repainted and can be moved).
  while (stopped_ && !terminating_) {
    wake_.wait_for(lock, std::chrono::milliseconds(20));
    if (!stopped_ || terminating_) break;
    lock.unlock();
    platform_->serve_one_message();
    lock.lock();
  }
  if (terminating_) {
    lock.unlock();
    end_program();
  }
}

Session::json Session::stack_trace() {
  std::lock_guard lock(mutex_);
  if (!stopped_) throw Refusal("El programa no est\xE1 parado");
  const std::size_t statement = statement_.load();
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

Session::json Session::variables(int reference) {
  std::lock_guard lock(mutex_);
  if (!stopped_ || in_ == nullptr) return {{"variables", json::array()}};
  if (reference == kVariables) return {{"variables", store_variables(in_->variables)}};
  if (reference == kConstants) return {{"variables", store_variables(in_->constants)}};
  if (reference != kState) throw Refusal("No hay tales variables");
  auto row = [](const std::string& name, const std::string& value) {
    return json{{"name", name}, {"value", value}, {"variablesReference", 0}};
  };
  json rows = json::array({row("indicador", std::to_string(in_->comparison_flag)),
                           row("base de datos", utf8(in_->database.name)),
                           row("registro", std::to_string(in_->database.current_record)),
                           row("b\xC3\xBAsqueda", std::to_string(in_->database.search_position))});
  // The graphics: the window and the picture, and the picture's drawing state, as the drawing commands set
  // it.
  auto size = [](const Surface& s) {
    return s.id == 0 ? std::string("ninguna") : std::to_string(s.width) + " x " + std::to_string(s.height);
  };
  const Surface& picture = in_->graphics.picture();
  const DrawingState& d = picture.state;
  rows.push_back(row("ventana", size(in_->graphics.window())));
  rows.push_back(row("imagen", size(picture)));
  rows.push_back(row("color", std::to_string(d.foreground) + " sobre " + std::to_string(d.background) +
                                  (d.transparent ? " (fondo transparente)" : "")));
  rows.push_back(row("pluma", std::to_string(d.pen_width)));
  rows.push_back(row("posici\xC3\xB3n", std::to_string(d.position.x) + ", " + std::to_string(d.position.y)));
  rows.push_back(row("fuente", d.font ? utf8(d.font->face) : std::string("la del sistema")));
  return {{"variables", rows}};
}

Session::json Session::set_variable(const json& args) {
  std::lock_guard lock(mutex_);
  if (!stopped_ || in_ == nullptr) throw Refusal("El programa no est\xE1 parado");
  const std::string name = cp1252::from_utf8(args.value("name", ""));
  if (args.value("variablesReference", 0) != kVariables || !name.starts_with('&'))
    throw Refusal("Solo las variables (&) cambian de valor: una constante guarda el primero que recibe");
  const std::string stored = convert_field(name);
  if (in_->variables.index(stored) == 0) throw Refusal("No hay ninguna variable " + name);
  const std::string value = cp1252::from_utf8(args.value("value", ""));
  in_->write(in_->variables, stored, value);
  return {{"value", utf8(value)}, {"type", std::string(class_name(value))}};
}

Session::json Session::evaluate(const json& args) {
  std::lock_guard lock(mutex_);
  const std::string expression = cp1252::from_utf8(args.value("expression", ""));
  const std::optional<std::string> value = stopped_ ? value_of(expression) : std::nullopt;
  if (!value) throw Refusal("No hay ning\xFAn valor " + expression + " ahora");
  return {{"result", utf8(*value)}, {"type", std::string(class_name(*value))}, {"variablesReference", 0}};
}

}  // namespace kal::debug
