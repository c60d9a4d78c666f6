// The language server on any byte stream: damaged headers, lengths and JSON must get error replies, never a
// crash, and the server must keep reading to the end.
#include <cstddef>
#include <cstdint>
#include <string>

#include "lsp/server.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)kal::lsp::serve(kal::rpc::bytes_of(std::string(reinterpret_cast<const char*>(data), size)),
                        [](std::string_view) {});
  return 0;
}
