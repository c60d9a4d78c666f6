// One run under the debugger: the script runs on a thread of its own and waits before a statement where it
// must stop (a breakpoint, a step, a pause) until it is let go on, or ended. The protocol asks it in one line
// each and hears back through its events; it knows nothing of the protocol. A run has a platform of its own,
// made with it, so that a restart starts as clean as a new KAL.exe.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "common/messages.h"
#include "debug/breakpoints.h"
#include "interp/interpreter.h"
#include "interp/program.h"
#include "platform/platform.h"

namespace kal::debug {

// A breakpoint as the run keeps it: where, the condition, and how many times it has been reached.
struct Breakpoint {
  Placed placed;
  std::optional<Condition> condition;
  std::size_t hits_needed = 0;  // stop from this hit on (0: every hit)
  std::size_t hits = 0;
  std::string log;  // a logpoint writes this instead of stopping
};

class RunControl final : public RunObserver {
 public:
  using MakePlatform = std::function<std::unique_ptr<Platform>(RunControl&)>;
  // What the run tells, from its own thread. Texts are Windows-1252.
  struct Events {
    std::function<void(std::string_view reason, std::string_view text)> stopped;  // "entry", "step", ...
    std::function<void(std::string_view text, std::string_view category)> output;
    std::function<void()> ended;  // not for a run ended to be restarted
  };
  enum class Mode { Run, Step, Pause };
  struct Options {
    bool stop_on_entry = false;
    bool no_debug = false;  // a run without debugging (the editor's Ctrl+F5): it never stops
  };

  // on_run_thread: called first on the thread the script runs on (the Windows build sets the x87 precision).
  RunControl(const MakePlatform& make_platform, Events events, std::function<void()> on_run_thread = {});
  ~RunControl() override;  // ends the run and waits for its thread
  RunControl(const RunControl&) = delete;
  RunControl& operator=(const RunControl&) = delete;

  // The run's platform, which reads the script before it is compiled.
  Platform& platform() { return *platform_; }
  // What runs, once compiled; then start runs it (once).
  void prepare(Program program, std::string program_folder, Options options);
  void start();

  // Nothing done unless the run is stopped.
  void resume(Mode mode);
  bool stopped() const;
  void pause();
  void set_breakpoints(std::map<std::size_t, Breakpoint> by_statement);
  // The run ends at its next statement or wait. Quietly, for a restart: without `ended`, and false if it is
  // still running after `wait` (it waits in one of KAL's boxes, which ends only when answered); it then ends
  // as `end` ends it.
  void end();
  bool end_quietly(std::chrono::milliseconds wait);

  // While the run is stopped: `look` with the run's interpreter and the statement it stopped before, and
  // true; false when it is not stopped.
  bool when_stopped(const std::function<void(Interpreter&, std::size_t statement)>& look);
  // "&name", "@name" or "#field" as the stopped run holds it.
  std::optional<std::string> value_of(std::string_view name);

  // Told by the platform before a "Programador" box: the run stops with reason "exception" and the box's
  // text, and shows the box when it goes on.
  void before_error_box(std::string_view text);
  // Told by the platform while the script waits (a label's pause, the end waiting for the graphics window to
  // close): a run that was ended ends there, without waiting for its next statement.
  void end_if_told();

  void watching(Interpreter& in) override;
  void before_statement(std::size_t number, const Statement& s) override;
  void finished(const Interpreter& in) override;

 private:
  void attend();  // with mutex_ held, after a change to what the run must look at
  void stop_here(std::unique_lock<std::mutex>& lock, std::string_view reason, std::string_view text);
  std::optional<std::string> held_value(std::string_view name) const;  // with mutex_ held
  void ending(bool quietly);

  Events events_;
  std::function<void()> on_run_thread_;
  std::unique_ptr<Platform> platform_;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  Program program_;
  std::string program_folder_;
  Options options_;
  std::map<std::size_t, Breakpoint> breakpoints_;  // by statement number
  Mode mode_ = Mode::Run;
  bool started_ = false, stopped_ = false, ending_ = false, quiet_ = false, over_ = false;
  // Read by the run before every statement without the lock: the statement about to run, and whether the
  // control wants to see it at all (a breakpoint, a step, a pause or an end asked for). A run without any of
  // them pays two plain memory accesses a statement.
  std::atomic<std::size_t> statement_{0};
  std::atomic<bool> attention_{false};
  Interpreter* in_ = nullptr;  // while the run lasts
  std::thread thread_;
};

// A platform under the debugger: it tells the run before it shows one of KAL's own error boxes
// ("Programador"), so that the debugger stops there first, and while the script waits, so that ending the
// run does not wait for the wait.
template <class Base>
class Debugged : public Base {
 public:
  explicit Debugged(RunControl& run) : run_(run) {}
  Answer message_box(std::string_view title, std::string_view text, Buttons buttons) override {
    if (title == msg::kTitleProgrammer) run_.before_error_box(text);
    return Base::message_box(title, text, buttons);
  }
  void pause_milliseconds(int ms) override {
    run_.end_if_told();
    Base::pause_milliseconds(ms);
  }
  bool serve_one_message() override {
    run_.end_if_told();
    return Base::serve_one_message();
  }

 private:
  RunControl& run_;
};

}  // namespace kal::debug
