// Timings for bench/compare_lua.py, on the native build:
//   kal_bench load SCRIPT      reads, tokenizes and compiles the script: seconds and peak memory
//   kal_bench run SCRIPT       also runs it on the recording platform: seconds of the run and statements a
//   second kal_bench plainfile N BYTES  the plain program of the database comparison: N appends of BYTES
//   bytes to a file,
//                              one open and close each, then one sequential read of the whole file
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "common/halt.h"
#include "compiler/label_table.h"
#include "compiler/statement_compiler.h"
#include "interp/interpreter.h"
#include "launcher/script_reader.h"
#include "tests/support/recording_platform.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

long peak_kb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

std::string slurp(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

kal::Program load(const std::string& bytes) {
  kal::Program program;
  program.folder = "C:\\kal\\";
  const std::string text = kal::join_lines(bytes);
  const auto tokens = kal::tokenize(text, 100000);
  kal::StatementCompiler compiler;
  for (std::string_view t : tokens)
    if (!compiler.compile(t)) break;  // a generated script compiles; a broken one is timed up to its error
  program.token_count = tokens.size();
  program.statements = compiler.take_records();
  program.database_name = compiler.database_name();
  program.labels = kal::LabelTable::build(program.statements);
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
    std::cerr << "uso: kal_bench load|run SCRIPT | kal_bench plainfile N BYTES\n";
    return 2;
  }
  const std::string mode = argv[1];
  if (mode == "plainfile" && argc == 4) {
    const long n = std::stol(argv[2]);
    const std::string record(std::stoul(argv[3]), 'x');
    const char* path = "kal_bench_plain.dat";
    std::remove(path);
    const auto start = Clock::now();
    for (long i = 0; i < n; ++i) {
      std::FILE* f = std::fopen(path, "ab");
      std::fwrite(record.data(), 1, record.size(), f);
      std::fclose(f);
    }
    const std::string back = slurp(path);
    std::printf("plainfile %.4f s %zu bytes\n", seconds_since(start), back.size());
    std::remove(path);
    return 0;
  }
  const std::string bytes = slurp(argv[2]);
  auto start = Clock::now();
  kal::Program program = load(bytes);
  const double load_s = seconds_since(start);
  if (mode == "load") {
    std::printf("load %.4f s %zu tokens %ld kB\n", load_s, program.token_count, peak_kb());
    return 0;
  }
  QuietPlatform platform;
  kal::Interpreter interpreter(platform, program);
  start = Clock::now();
  try {
    interpreter.run();
  } catch (const kal::Halt&) {
  }
  const double run_s = seconds_since(start);
  std::printf("run %.4f s %zu statements %.0f statements/s\n", run_s, program.statements.size(),
              static_cast<double>(program.statements.size()) / run_s);
  return 0;
}
