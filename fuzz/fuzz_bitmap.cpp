// The check of a bitmap file's header before a picture is drawn from it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "graphics/bitmap_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  (void)kal::bitmap_file_size(bytes, size);
  (void)kal::bitmap_file_size(bytes, static_cast<std::uint64_t>(size) * 1000);
  return 0;
}
