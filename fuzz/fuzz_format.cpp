// The formatter on any bytes: laid out, a file runs what it ran (the same tokens, so the same records and
// the same error), keeps every character but blanks and line ends, and laid out again does not change.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "checker/formatter.h"
#include "common/cp1252.h"
#include "tests/support/what_runs.h"

namespace {

std::string ink(std::string_view text) {
  std::string out;
  for (char c : text)
    if (c != ' ' && c != '\r' && c != '\n') out += c;
  return kal::cp1252::lower(out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string once = kal::check::format_script(bytes);
  if (kal::test::what_runs(once) != kal::test::what_runs(bytes) || ink(once) != ink(bytes) ||
      kal::check::format_script(once) != once)
    __builtin_trap();
  return 0;
}
