#include "debug/run_control.h"

#include "common/halt.h"
#include "compiler/token_class.h"
#include "launcher/startup.h"
#include "values/value.h"

namespace kal::debug {

RunControl::RunControl(const MakePlatform& make_platform, Events events, std::function<void()> on_run_thread)
    : events_(std::move(events)), on_run_thread_(std::move(on_run_thread)), platform_(make_platform(*this)) {}

RunControl::~RunControl() {
  ending(true);
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void RunControl::attend() {
  attention_.store(!breakpoints_.empty() || mode_ != Mode::Run || ending_, std::memory_order_release);
}

void RunControl::prepare(Program program, std::string program_folder, Options options) {
  std::lock_guard lock(mutex_);
  program_ = std::move(program);
  program_folder_ = std::move(program_folder);
  options_ = options;
  options_.stop_on_entry = options.stop_on_entry && !options.no_debug;
}

void RunControl::start() {
  std::lock_guard lock(mutex_);
  if (started_) return;
  started_ = true;
  if (options_.stop_on_entry) mode_ = Mode::Pause;
  attend();
  thread_ = std::thread([this] {
    if (on_run_thread_) on_run_thread_();
    try {
      run_compiled(*platform_, std::move(program_), program_folder_, this);
    } catch (const Halt&) {
      // An error box was shown, the window closed, or the run was ended.
    } catch (const std::exception& e) {
      events_.output(std::string("kaldebug: ") + e.what() + "\n", "stderr");
    }
    // A run that went past its end left its trace: shown here too, as the viewer shows it.
    if (const auto trace = platform_->read_file(program_folder_ + std::string(msg::kTraceFileName)))
      events_.output(*trace, "stdout");
    bool quiet = false;
    {
      std::lock_guard done(mutex_);
      over_ = true;
      quiet = quiet_;
    }
    wake_.notify_all();
    if (!quiet) events_.ended();
  });
}

void RunControl::resume(Mode mode) {
  {
    std::lock_guard lock(mutex_);
    if (!stopped_) return;
    mode_ = mode;
    stopped_ = false;
    attend();
  }
  wake_.notify_all();
}

bool RunControl::stopped() const {
  std::lock_guard lock(mutex_);
  return stopped_;
}

void RunControl::pause() {
  std::lock_guard lock(mutex_);
  if (!stopped_ && !options_.no_debug) mode_ = Mode::Pause;
  attend();
}

void RunControl::set_breakpoints(std::map<std::size_t, Breakpoint> by_statement) {
  std::lock_guard lock(mutex_);
  breakpoints_ = std::move(by_statement);
  attend();
}

void RunControl::ending(bool quietly) {
  std::lock_guard lock(mutex_);
  ending_ = true;
  quiet_ = quiet_ || quietly;
  stopped_ = false;
  attend();
}

void RunControl::end() {
  ending(false);
  wake_.notify_all();
}

bool RunControl::end_quietly(std::chrono::milliseconds wait) {
  ending(true);
  wake_.notify_all();
  std::unique_lock lock(mutex_);
  if (wake_.wait_for(lock, wait, [this] { return over_ || !started_; })) return true;
  quiet_ = false;  // it still ends, when its box is answered, and says so then
  return false;
}

bool RunControl::when_stopped(const std::function<void(Interpreter&, std::size_t)>& look) {
  std::lock_guard lock(mutex_);
  if (!stopped_ || in_ == nullptr) return false;
  look(*in_, statement_.load());
  return true;
}

std::optional<std::string> RunControl::value_of(std::string_view name) {
  std::lock_guard lock(mutex_);
  return stopped_ ? held_value(name) : std::nullopt;
}

std::optional<std::string> RunControl::held_value(std::string_view name) const {
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

void RunControl::watching(Interpreter& in) {
  std::lock_guard lock(mutex_);
  in_ = &in;
}

void RunControl::finished(const Interpreter&) {
  std::lock_guard lock(mutex_);
  in_ = nullptr;
}

void RunControl::before_statement(std::size_t number, const Statement&) {
  statement_.store(number, std::memory_order_relaxed);
  if (!attention_.load(std::memory_order_acquire)) return;
  std::unique_lock lock(mutex_);
  if (ending_) {
    lock.unlock();
    end_program();
  }
  if (options_.no_debug) return;
  if (mode_ != Mode::Run) {
    stop_here(lock,
              mode_ == Mode::Step                     ? "step"
              : number == 1 && options_.stop_on_entry ? "entry"
                                                      : "pause",
              {});
    return;
  }
  auto it = breakpoints_.find(number);
  if (it == breakpoints_.end()) return;
  Breakpoint& b = it->second;
  const auto value = [this](std::string_view name) { return held_value(name); };
  if (b.condition && !holds(*b.condition, value)) return;
  if (++b.hits < b.hits_needed) return;
  if (!b.log.empty()) {
    events_.output(log_message(b.log, value) + "\n", "console");
    return;
  }
  stop_here(lock, "breakpoint", {});
}

void RunControl::end_if_told() {
  // Asked at every wait's turn: the lock only when an end may have been asked for.
  if (!attention_.load(std::memory_order_acquire)) return;
  {
    std::lock_guard lock(mutex_);
    if (!ending_ || in_ == nullptr) return;
  }
  end_program();
}

void RunControl::before_error_box(std::string_view text) {
  std::unique_lock lock(mutex_);
  if (ending_) return;
  stop_here(lock, "exception", text);
}

void RunControl::stop_here(std::unique_lock<std::mutex>& lock, std::string_view reason,
                           std::string_view text) {
  stopped_ = true;
  mode_ = Mode::Run;
  attend();
  events_.stopped(reason, text);
  // While it waits, the script's windows still answer (a graphics window is repainted and can be moved).
  while (stopped_ && !ending_) {
    wake_.wait_for(lock, std::chrono::milliseconds(20));
    if (!stopped_ || ending_) break;
    lock.unlock();
    platform_->serve_one_message();
    lock.lock();
  }
  if (ending_) {
    lock.unlock();
    end_program();
  }
}

}  // namespace kal::debug
