// Reading, tokenizing and compiling any bytes as a script.
#include <cstddef>
#include <cstdint>
#include <string>

#include "launcher/script_reader.h"
#include "launcher/startup.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text = kal::join_lines(std::string_view(reinterpret_cast<const char*>(data), size));
  kal::Program program;
  (void)kal::compile_script(text, program);
  return 0;
}
