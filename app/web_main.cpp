// The browser module's entry points: the page runs a script, steps through it, watches its state, moves files
// in and out of the in-memory disk and checks scripts as they are typed. Texts to and from the page are
// UTF-8; inside they are Windows-1252, as everywhere in the interpreter.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "checker/formatter.h"
#include "checker/script_checker.h"
#include "common/cp1252.h"
#include "common/limits.h"
#include "interp/interpreter.h"
#include "interp/run_state.h"
#include "launcher/script_reader.h"
#include "launcher/startup.h"
#include "packer/pack.h"
#include "platform/web/web_imports.h"
#include "platform/web/web_platform.h"
#include "values/value.h"

namespace kal::web {
namespace {

WebPlatform& platform() {
  static WebPlatform p;
  return p;
}

// Hears the run for the watch panel, and when stepping waits before each statement until the page says on.
class Watch final : public RunObserver {
 public:
  void watching(Interpreter& in) override {
    in_ = &in;
    final_.reset();
  }
  // The run is over: what it left stays to be shown, and the interpreter is never read again.
  void finished(const Interpreter&) override {
    final_ = state();
    in_ = nullptr;
  }
  void before_statement(std::size_t number, const Statement&) override {
    statement_ = number;
    if (stepping) kal_js_step(static_cast<int>(number));
  }

  nlohmann::json state() const {
    if (in_ == nullptr && final_) return *final_;
    nlohmann::json out = {{"statement", statement_}};
    if (in_ == nullptr) return out;
    const RunState shown = run_state(*in_);
    auto store = [](const std::vector<ShownValue>& values) {
      nlohmann::json list = nlohmann::json::array();
      for (const ShownValue& v : values)
        list.push_back({cp1252::to_utf8(v.name), cp1252::to_utf8(v.value), v.kind});
      return list;
    };
    out["variables"] = store(shown.variables);
    out["constants"] = store(shown.constants);
    out["flag"] = shown.flag;
    out["database"] = cp1252::to_utf8(shown.database);
    out["record"] = shown.record;
    out["search"] = shown.search;
    return out;
  }

  bool stepping = false;

 private:
  const Interpreter* in_ = nullptr;
  std::optional<nlohmann::json> final_;  // the state a finished run left
  std::size_t statement_ = 0;
};

Watch& watch() {
  static Watch w;
  return w;
}

// The last text handed to the page, kept until the next.
const char* hand_over(std::string text) {
  static std::string kept;
  kept = std::move(text);
  return kept.c_str();
}

// Edits of a script, in its bytes' offsets, as the page applies them.
nlohmann::json edits_json(const std::vector<check::Edit>& edits) {
  nlohmann::json out = nlohmann::json::array();
  for (const check::Edit& e : edits)
    out.push_back({{"offset", e.offset}, {"length", e.length}, {"text", cp1252::to_utf8(e.text)}});
  return out;
}

}  // namespace
}  // namespace kal::web

using namespace kal;
using namespace kal::web;

extern "C" {

// Runs the script at a path of the in-memory disk; returns when it ends by itself.
EMSCRIPTEN_KEEPALIVE int kal_run(const char* script_path, int step) {
  watch().stepping = step != 0;
  return run_program(platform(), cp1252::from_utf8(script_path), &watch());
}

EMSCRIPTEN_KEEPALIVE void kal_set_stepping(int on) {
  watch().stepping = on != 0;
}

EMSCRIPTEN_KEEPALIVE const char* kal_watch() {
  return hand_over(watch().state().dump());
}

// A file of the page's disk, with the attributes it had when the last run ended or it was uploaded.
EMSCRIPTEN_KEEPALIVE void kal_put_file(const char* path, const char* bytes, int length, int attributes) {
  platform().put_file(cp1252::from_utf8(path), std::string(bytes, static_cast<std::size_t>(length)),
                      static_cast<std::uint32_t>(attributes));
}

EMSCRIPTEN_KEEPALIVE void kal_put_folder(const char* path, int attributes) {
  const std::string folder = cp1252::from_utf8(path);
  platform().put_folder(folder);
  const std::uint32_t others = static_cast<std::uint32_t>(attributes) & ~attribute::kDirectory;
  if (others != 0) platform().set_attributes(folder, others);
}

// Every file and folder on the disk, as [{path, folder, size, attributes}] with full paths.
EMSCRIPTEN_KEEPALIVE const char* kal_files() {
  nlohmann::json list = nlohmann::json::array();
  for (const MemoryFiles::Node& node : platform().nodes_under(kProgramFolder)) {
    const bool folder = (node.attributes & attribute::kDirectory) != 0;
    list.push_back({{"path", cp1252::to_utf8(kProgramFolder + node.path)},
                    {"folder", folder},
                    {"size", node.bytes.size()},
                    {"attributes", node.attributes}});
  }
  return hand_over(list.dump());
}

// Moves on with every change of the disk: the page copies the files back only when it has moved.
EMSCRIPTEN_KEEPALIVE double kal_disk_changes() {
  return static_cast<double>(platform().changes());
}

// A file's bytes, their count in *length; nullptr when there is no such file.
EMSCRIPTEN_KEEPALIVE const char* kal_file(const char* path, int* length) {
  const std::string* bytes = platform().file(cp1252::from_utf8(path));
  if (bytes == nullptr) return nullptr;
  *length = static_cast<int>(bytes->size());
  return bytes->data();
}

// The checker's problems of a script's Windows-1252 bytes and the line of each statement.
EMSCRIPTEN_KEEPALIVE const char* kal_check(const char* bytes, int length) {
  const check::Analysis analysis =
      check::analyze_script(std::string_view(bytes, static_cast<std::size_t>(length)));
  nlohmann::json problems = nlohmann::json::array();
  for (const check::Problem& p : analysis.problems) {
    nlohmann::json problem = {{"line", p.line},     {"column", p.column},
                              {"offset", p.offset}, {"length", p.length},
                              {"error", p.error},   {"message", cp1252::to_utf8(p.message)}};
    // The sure mend, in the bytes' offsets.
    if (p.fix)
      problem["fix"] = {{"title", cp1252::to_utf8(p.fix->title)}, {"edits", edits_json(p.fix->edits)}};
    problems.push_back(std::move(problem));
  }
  return hand_over(nlohmann::json{{"problems", problems}, {"lines", analysis.statement_lines}}.dump());
}

// The formatter's edits of a script's Windows-1252 bytes, in their offsets: the page applies them where they
// fall, so a character the code page lacks (a "?" here) stays in the editor as it was.
EMSCRIPTEN_KEEPALIVE const char* kal_format(const char* bytes, int length) {
  return hand_over(
      edits_json(check::format_edits(std::string_view(bytes, static_cast<std::size_t>(length)))).dump());
}

// "Crear programa": the program kalpack makes of a script's bytes and the site's KAL.exe, named file_name
// (UTF-8). Its bytes, their count in *length; -2 when the script has errors (kalpack refuses it too), -1 with
// the refusal's text (UTF-8) otherwise.
EMSCRIPTEN_KEEPALIVE const char* kal_pack(const char* script, int script_length, const char* kal_exe,
                                          int kal_length, const char* file_name, int* length) {
  const std::string_view text(script, static_cast<std::size_t>(script_length));
  *length = -1;
  if (text.size() > limits::kMaxToolScriptBytes)
    return hand_over(cp1252::to_utf8("el programa ocupa m\xE1s de 4 MB: kalpack no lo lleva"));
  const std::vector<check::Problem> problems = check::check_script(text);
  if (std::any_of(problems.begin(), problems.end(), [](const check::Problem& p) { return p.error; })) {
    *length = -2;
    return "";
  }
  pack::Options options;
  options.file_name = cp1252::from_utf8(file_name);
  pack::Packed packed =
      pack::pack(std::string_view(kal_exe, static_cast<std::size_t>(kal_length)), text, options);
  if (packed.program.empty()) return hand_over(cp1252::to_utf8(packed.refusal));
  *length = static_cast<int>(packed.program.size());
  return hand_over(std::move(packed.program));
}

// For the benchmarks alone: compiles a script's bytes without the token limit, as the native kal_bench does,
// runs it on this module's platform and gives the milliseconds of the run.
EMSCRIPTEN_KEEPALIVE double kal_bench(const char* bytes, int length) {
  Program program;
  program.folder = kProgramFolder;
  std::string text(bytes, static_cast<std::size_t>(length));
  join_lines_in_place(text);
  if (compile_script(text, program, SIZE_MAX)) return -1;
  Interpreter interpreter(platform(), program);
  const double start = emscripten_get_now();
  interpreter.run();
  return emscripten_get_now() - start;
}

EMSCRIPTEN_KEEPALIVE void* kal_alloc(int size) {
  return std::malloc(static_cast<std::size_t>(size > 0 ? size : 1));
}

EMSCRIPTEN_KEEPALIVE void kal_free(void* p) {
  std::free(p);
}
}
