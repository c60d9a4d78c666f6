// Pictures saved as Windows bitmap files: uncompressed, 24 bits a pixel, rows from the bottom, each row
// padded to a multiple of four bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace kal {

// The whole file for a picture of width x height whose pixels are given row after row from the top.
std::string bitmap_file(int width, int height, const std::vector<Colour>& pixels);

}  // namespace kal
