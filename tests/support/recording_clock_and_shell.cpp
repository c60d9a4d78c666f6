// The recording platform's clock and shell: what the program asked of the shell, recorded.
#include "tests/support/recording_platform.h"

#include <algorithm>
#include <cstdint>
#include <set>

#include "common/cp1252.h"
#include "common/halt.h"

namespace kal::test {

bool RecordingPlatform::shell_open(const std::string& path) {
  events.push_back({Event::Kind::ShellOpen, path, {}, Buttons::Ok, {}});
  return file(path) != nullptr;
}

bool RecordingPlatform::serve_one_message() {
  ++message_rounds;
  if (window_closes_after >= 0 && message_rounds >= window_closes_after) end_program();
  return false;
}

void RecordingPlatform::start_command_interpreter(std::string_view parameters) {
  events.push_back({Event::Kind::CommandInterpreter, std::string(parameters), {}, Buttons::Ok, {}});
}

}  // namespace kal::test
