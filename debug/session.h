// One debugging session over the Debug Adapter Protocol: the client's requests come in on one thread and
// are answered there, each in a line or two of the run's control (a new one for every launch and restart).
// The platform is the one the script runs on (the real Windows one in kaldebug.exe, a recording one in the
// tests); what the session sends goes through `send`, which may be called from either thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "debug/run_control.h"
#include "rpc/transport.h"

namespace kal::debug {

class Session final {
 public:
  using json = nlohmann::json;
  // on_run_thread: called first on the thread each run runs on (the Windows build sets the x87 precision).
  Session(RunControl::MakePlatform make_platform, std::function<void(const json&)> send,
          std::function<void()> on_run_thread = {});
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // One message from the client: a request is answered (successfully or with the reason it cannot be), and
  // anything else gets nothing. Never throws.
  void handle(const json& message);
  // A message that could not be read at all.
  void bad_message(rpc::Fault fault);
  // True once the client has disconnected: the adapter ends.
  bool over() const { return disconnected_; }

 private:
  // The body of a successful response to the request `command`; throws Refusal otherwise.
  json answer(const std::string& command, const json& request);
  json launch(const json& args);
  json restart(const json& args);
  json set_breakpoints(const json& args);
  json stack_trace();
  json variables(std::int64_t reference);
  json set_variable(const json& args);
  json evaluate(const json& args);
  void resume(RunControl::Mode mode);
  void event(const std::string& name, json body = json::object());
  void output(std::string_view text, std::string_view category = "console");

  RunControl::MakePlatform make_platform_;
  std::function<void(const json&)> send_;
  std::function<void()> on_run_thread_;
  std::mutex send_mutex_;  // the run sends its events from its own thread
  int seq_ = 0;

  // Requests come one at a time, on the client's thread: what follows is only theirs.
  std::string script_path_;
  std::string source_path_;  // the script's path for the editor, in UTF-8
  std::vector<std::size_t> statement_lines_;
  json launch_args_, breakpoint_args_;  // as last asked for: a restart asks again
  // What a request sets going (the run, a stop, its end), done once it is answered: the client hears the
  // answer before the stop or the end it brings, as it waits for them in that order.
  std::function<void()> after_answer_;
  bool initialized_ = false, disconnected_ = false;
  std::unique_ptr<RunControl> run_;  // from launch on; last, so that it ends before the rest goes
};

}  // namespace kal::debug
