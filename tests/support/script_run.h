// Runs a snippet of KAL source with the recording platform: the snippet needs no outer form, so a test shows
// only the statements it is about.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "interp/interpreter.h"
#include "tests/support/recording_platform.h"

namespace kal {

// The tokens of the text as the compiler sees them, as a list. Tokenizing stops after `max_tokens` tokens
// plus one, as start-up stops reading a script that is too long.
std::vector<std::string_view> tokenize(std::string_view text, std::size_t max_tokens);

}  // namespace kal

namespace kal::test {

class ScriptRun {
 public:
  // Compiles ".codigo ;", the source and ".fin ;", as a script file would hold them: the stores hold as many
  // names as there are records, so the frame counts. A token that fits no class fails the test that wrote it.
  explicit ScriptRun(std::string_view source);

  // Queues the user's answers to the boxes the run will show.
  ScriptRun& answer(Reply::Kind kind);

  // Runs until fin or a fatal report.
  void run();

  // A variable's or constant's value, or "(none)" when the name was never declared.
  std::string variable(std::string_view name) const;
  std::string constant(std::string_view name) const;
  // The texts of the boxes titled "KAL", in order.
  std::vector<std::string> messages() const;

  RecordingPlatform platform;
  Program program;
  std::unique_ptr<Interpreter> interpreter;
};

}  // namespace kal::test
