// Timings for bench/compare_lua.py, on the native build:
//   kal_bench load SCRIPT      reads, tokenizes and compiles the script: seconds and peak memory
//   kal_bench run SCRIPT       also runs it on the recording platform: seconds of the run and statements a
//                              second
//   kal_bench debug SCRIPT     the same run watched by a debugging session without breakpoints, as the
//                              editor's debugger runs it
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "common/halt.h"
#include "debug/run_control.h"
#include "interp/interpreter.h"
#include "launcher/script_reader.h"
#include "launcher/startup.h"
#include "tests/support/recording_platform.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The peak of this program's own memory. getrusage's figure would also count the parent that started it
// (it survives the exec), which for a Python driver is several megabytes.
long peak_kb() {
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return -1;
  char line[256];
  long kb = -1;
  while (std::fgets(line, sizeof line, status) != nullptr)
    if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
  std::fclose(status);
  return kb;
}

// One read into a buffer of the file's size, as the interpreter reads a script.
std::string slurp(const char* path) {
  std::string bytes;
  if (std::FILE* f = std::fopen(path, "rb")) {
    std::fseek(f, 0, SEEK_END);
    bytes.resize(static_cast<std::size_t>(std::ftell(f)));
    std::fseek(f, 0, SEEK_SET);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
    std::fclose(f);
  }
  return bytes;
}

// As start-up loads a script, from the file's bytes on. The run benchmark's 30,000 statements need about
// 162,000 tokens, so it lifts the token limit; a script that does not compile is an error of the benchmark.
kal::Program load(std::string bytes, std::size_t max_tokens) {
  kal::Program program;
  program.folder = "C:\\kal\\";
  kal::join_lines_in_place(bytes);
  if (auto failure = kal::compile_script(bytes, program, max_tokens)) {
    std::fprintf(stderr, "the script does not compile: %s\n", failure->c_str());
    std::exit(1);
  }
  return program;
}

// Boxes are answered at once and not kept: a long run would otherwise hold every one.
class QuietPlatform final : public kal::test::RecordingPlatform {
 public:
  kal::Answer message_box(std::string_view, std::string_view, kal::Buttons) override {
    return kal::Answer::Ok;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "uso: kal_bench load|run|debug SCRIPT\n";
    return 2;
  }
  const std::string mode = argv[1];
  // Loading ends with the statements prepared to run, which the interpreter does when it is made.
  auto start = Clock::now();
  kal::Program program = load(slurp(argv[2]), mode == "load" ? kal::limits::kMaxTokens : SIZE_MAX);
  QuietPlatform platform;
  kal::Interpreter interpreter(platform, program);
  const double load_s = seconds_since(start);
  if (mode == "load") {
    std::printf("load %.4f s %zu tokens %ld kB\n", load_s, program.token_count, peak_kb());
    return 0;
  }
  // The debugger's run control with nothing asked for: it only looks at each statement.
  kal::debug::RunControl control([](kal::debug::RunControl&) { return nullptr; }, {});
  if (mode == "debug") interpreter.set_observer(&control);
  start = Clock::now();
  try {
    interpreter.run();
  } catch (const kal::Halt&) {
  }
  const double run_s = seconds_since(start);
  std::printf("%s %.4f s %zu statements %.0f statements/s\n", mode.c_str(), run_s, program.statements.size(),
              static_cast<double>(program.statements.size()) / run_s);
  return 0;
}
