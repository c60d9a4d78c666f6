// The recording platform's files: the in-memory ones, with renames recorded as the program's own.
#include "tests/support/recording_platform.h"

namespace kal::test {

bool RecordingPlatform::rename_file(const std::string& from, const std::string& to) {
  events.push_back({Event::Kind::Rename, from, to, Buttons::Ok, {}});
  return MemoryFiles::rename_file(from, to);
}

}  // namespace kal::test
