// Loading a script: joining lines, tokenizing, compiling every token and building the labels, as start-up
// does.
#include <benchmark/benchmark.h>

#include <string>

#include "launcher/script_reader.h"
#include "launcher/startup.h"

namespace {

// A script of typical statements, about `tokens` tokens long, with CR LF line ends.
std::string make_script(int tokens) {
  std::string s = ".codigo;\r\n";
  int n = 2;
  for (int i = 0; n + 11 + 3 <= tokens; ++i) {
    s += ":bucle" + std::to_string(i) + ";\r\n&total := &precio * 3;\r\n.aviso ~hola_mundo;\r\n";
    n += 2 + 6 + 3;
  }
  return s + "'fin .fin;\r\n";
}

void BM_LoadScript(benchmark::State& state) {
  const std::string file = make_script(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::string text = file;
    kal::join_lines_in_place(text);
    kal::Program program;
    benchmark::DoNotOptimize(kal::compile_script(text, program));
    state.counters["tokens"] = static_cast<double>(program.token_count);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LoadScript)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
