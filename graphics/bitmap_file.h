// Pictures saved as Windows bitmap files: uncompressed, 24 bits a pixel, rows from the bottom, each row
// padded to a multiple of four bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace kal {

// The whole file for a picture of width x height whose pixels are given row after row from the top.
std::string bitmap_file(int width, int height, const std::vector<Colour>& pixels);

struct BitmapSize {
  int width = 0, height = 0;  // the height as the file has it: negative for rows from the top
};

// The size a bitmap file claims at offsets 18 and 22, when its header is one Windows reads and its pixels can
// stand in a file of that many bytes; nothing for any other file, so that no claim of absurd sizes is
// trusted.
std::optional<BitmapSize> bitmap_file_size(std::string_view header, std::uint64_t file_size);

}  // namespace kal
