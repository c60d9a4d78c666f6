// The language server on any byte stream: damaged headers, lengths and JSON must get error replies, never a
// crash, and the server must keep reading to the end.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "lsp/server.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  std::ostringstream out;
  (void)kal::lsp::serve(in, out);
  return 0;
}
