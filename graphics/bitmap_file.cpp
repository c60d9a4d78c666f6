#include "graphics/bitmap_file.h"

namespace kal {
namespace {

void put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

void put32(std::string& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

}  // namespace

std::string bitmap_file(int width, int height, const std::vector<Colour>& pixels) {
  constexpr std::uint32_t kHeaders = 54;
  const auto w = static_cast<std::uint32_t>(width);
  const auto h = static_cast<std::uint32_t>(height);
  const std::uint32_t row_size = (w * 3 + 3) / 4 * 4;
  std::string out;
  out.reserve(kHeaders + static_cast<std::size_t>(row_size) * h);
  out += "BM";
  put32(out, row_size * h + kHeaders);
  put32(out, 0);
  put32(out, kHeaders);
  put32(out, 40);
  put32(out, w);
  put32(out, h);
  put16(out, 1);
  put16(out, 24);
  out.append(24, '\0');  // compression, image size, resolutions and colour counts: all 0
  for (std::uint32_t y = h; y-- > 0;) {
    const std::size_t row_start = out.size();
    for (std::uint32_t x = 0; x < w; ++x) {
      const Colour c = pixels[static_cast<std::size_t>(y) * w + x];
      out += static_cast<char>((c >> 16) & 0xFF);  // blue
      out += static_cast<char>((c >> 8) & 0xFF);   // green
      out += static_cast<char>(c & 0xFF);          // red
    }
    out.append(row_size - (out.size() - row_start), '\0');
  }
  return out;
}

}  // namespace kal
