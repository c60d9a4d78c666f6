// One debugging session over the Debug Adapter Protocol: the client's requests come in on one thread, the
// script runs on another, and the run waits before a statement where it must stop (a breakpoint, a step, a
// pause) until the client lets it go on. The platform is the one the script runs on (the real Windows one in
// kaldebug.exe, a recording one in the tests), made anew for every run so that a restart starts as clean as a
// new KAL.exe; what the session sends goes through `send`, which may be called from either thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/messages.h"
#include "debug/breakpoints.h"
#include "interp/interpreter.h"
#include "interp/program.h"
#include "platform/platform.h"
#include "rpc/transport.h"

namespace kal::debug {

class Session final : public RunObserver {
 public:
  using json = nlohmann::json;
  using MakePlatform = std::function<std::unique_ptr<Platform>(Session&)>;
  // on_run_thread: called first on the thread the script runs on (the Windows build sets the x87 precision).
  Session(MakePlatform make_platform, std::function<void(const json&)> send,
          std::function<void()> on_run_thread = {});
  ~Session() override;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // One message from the client: a request is answered (successfully or with the reason it cannot be), and
  // anything else gets nothing. Never throws.
  void handle(const json& message);
  // A message that could not be read at all.
  void bad_message(rpc::Fault fault);
  // True once the client has disconnected: the adapter ends.
  bool over() const;

  // Told by the platform before a "Programador" box: the run stops with reason "exception" and the box's
  // text, and shows the box when the client goes on.
  void before_error_box(std::string_view text);
  // Told by the platform while the script waits (a label's pause, the end waiting for the graphics window to
  // close): a run the client ended ends there, without waiting for its next statement.
  void end_if_told();

  // The run's side.
  void watching(Interpreter& in) override;
  void before_statement(std::size_t number, const Statement& s) override;
  void finished(const Interpreter& in) override;

 private:
  struct Breakpoint {
    Placed placed;
    std::optional<Condition> condition;
    std::size_t hits_needed = 0;  // stop from this hit on (0: every hit)
    std::size_t hits = 0;
    std::string log;  // a logpoint writes this instead of stopping
  };
  enum class Mode { Run, Step, Pause };

  // The body of a successful response to the request `command`; throws Refusal otherwise.
  json answer(const std::string& command, const json& request);
  json launch(const json& args);
  json restart(const json& args);
  json set_breakpoints(const json& args);
  json stack_trace();
  json variables(std::int64_t reference);
  json set_variable(const json& args);
  json evaluate(const json& args);
  void start_run();
  void resume(Mode mode);
  void stop_here(std::unique_lock<std::mutex>& lock, const std::string& reason, const std::string& text);
  void event(const std::string& name, json body = json::object());
  void output(const std::string& text, const std::string& category = "console");
  std::optional<std::string> value_of(std::string_view name) const;  // with mutex_ held, the run stopped

  MakePlatform make_platform_;
  std::unique_ptr<Platform> platform_;  // the run's, from launch on
  std::function<void(const json&)> send_;
  std::function<void()> on_run_thread_;
  mutable std::mutex send_mutex_;
  int seq_ = 0;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::string script_path_, program_folder_;
  std::string source_path_;  // the script's path for the editor, in UTF-8
  std::vector<std::size_t> statement_lines_;
  Program program_;                     // compiled at launch, run from configurationDone on
  json launch_args_, breakpoint_args_;  // as last asked for: a restart asks again
  bool stop_on_entry_ = false;
  bool no_debug_ = false;  // a run without debugging (the editor's Ctrl+F5): it never stops
  bool launched_ = false, initialized_ = false, configured_ = false, disconnected_ = false;
  std::map<std::size_t, Breakpoint> breakpoints_;  // by statement number
  Mode mode_ = Mode::Run;
  bool stopped_ = false;
  bool terminating_ = false;
  bool run_over_ = false;
  bool restarting_ = false;  // the run being ended is followed by another: no "terminated"
  // Read by the run before every statement without the lock: the statement about to run, and whether the
  // session wants to see it at all (a breakpoint, a step, a pause or an end asked for). A run without any of
  // them pays two plain memory accesses a statement.
  std::atomic<std::size_t> statement_{0};
  std::atomic<bool> attention_{false};
  void attend();               // with mutex_ held, after a change to what the run must look at
  Interpreter* in_ = nullptr;  // while the run lasts
  std::thread run_;
};

// A platform under the debugger: it tells the session before it shows one of KAL's own error boxes
// ("Programador"), so that the debugger stops there first, and while the script waits, so that ending the
// run does not wait for the wait.
template <class Base>
class Debugged : public Base {
 public:
  explicit Debugged(Session& session) : session_(session) {}
  Answer message_box(std::string_view title, std::string_view text, Buttons buttons) override {
    if (title == msg::kTitleProgrammer) session_.before_error_box(text);
    return Base::message_box(title, text, buttons);
  }
  void pause_milliseconds(int ms) override {
    session_.end_if_told();
    Base::pause_milliseconds(ms);
  }
  bool serve_one_message() override {
    session_.end_if_told();
    return Base::serve_one_message();
  }

 private:
  Session& session_;
};

}  // namespace kal::debug
