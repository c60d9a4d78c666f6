// The run's side of a session: its thread, what it must stop for (breakpoints, a step, a pause, an end), and
// the stop and the wake.
#include <chrono>

#include "common/cp1252.h"
#include "common/halt.h"
#include "common/messages.h"
#include "compiler/token_class.h"
#include "debug/arguments.h"
#include "debug/session.h"
#include "launcher/startup.h"
#include "values/value.h"

namespace kal::debug {
namespace {

using json = nlohmann::json;

std::string utf8(std::string_view cp1252_text) {
  return cp1252::to_utf8(cp1252_text);
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

void Session::start_run() {
  std::lock_guard lock(mutex_);
  if (configured_) return;
  configured_ = true;
  if (stop_on_entry_) mode_ = Mode::Pause;
  attend();
  run_ = std::thread([this] {
    if (on_run_thread_) on_run_thread_();
    try {
      run_compiled(*platform_, std::move(program_), program_folder_, this);
    } catch (const Halt&) {
      // An error box was shown, the window closed, or the client ended the run.
    } catch (const std::exception& e) {
      output(std::string("kaldebug: ") + e.what() + "\n", "stderr");
    }
    // A run that went past its end left its trace: shown here too, as the viewer shows it.
    if (const auto trace = platform_->read_file(program_folder_ + std::string(msg::kTraceFileName)))
      output(*trace, "stdout");
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
  return std::string(working_text(store->value(slot)));
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
    output(log_message(b.log, value) + "\n");
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

}  // namespace kal::debug
