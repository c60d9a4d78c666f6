// The script checker on any bytes: it must report, never crash, whatever a file holds.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "checker/script_checker.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto problems = kal::check::check_script(std::string_view(reinterpret_cast<const char*>(data), size));
  for (const auto& p : problems) (void)kal::check::format_problem("f.txt", p);
  return 0;
}
