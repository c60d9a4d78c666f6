#include "graphics/bitmap_file.h"

#include "common/little_endian.h"

namespace kal {
namespace {

void put16(std::string& out, std::uint32_t v) {
  append_little_endian(out, v, 2);
}

void put32(std::string& out, std::uint32_t v) {
  append_little_endian(out, v, 4);
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

namespace {

std::uint32_t get16(std::string_view b, std::size_t at) {
  return static_cast<std::uint32_t>(read_little_endian(b.data() + at, 2));
}
std::uint32_t get32(std::string_view b, std::size_t at) {
  return static_cast<std::uint32_t>(read_little_endian(b.data() + at, 4));
}

}  // namespace

std::optional<BitmapSize> bitmap_file_size(std::string_view header, std::uint64_t file_size) {
  if (header.size() < 54 || header.substr(0, 2) != "BM") return std::nullopt;
  const std::uint32_t data_offset = get32(header, 10);
  const std::uint32_t info_size = get32(header, 14);
  const auto width = static_cast<std::int32_t>(get32(header, 18));
  const auto height = static_cast<std::int32_t>(get32(header, 22));
  const std::uint32_t planes = get16(header, 26);
  const std::uint32_t bits = get16(header, 28);
  const std::uint32_t compression = get32(header, 30);
  constexpr std::int64_t kLargestSide = 32767;
  if (info_size < 40 || planes != 1 || width <= 0 || height == 0 || width > kLargestSide ||
      height > kLargestSide || height < -kLargestSide || data_offset > file_size)
    return std::nullopt;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return std::nullopt;
  const std::uint64_t rows =
      static_cast<std::uint64_t>(height < 0 ? -static_cast<std::int64_t>(height) : height);
  const std::uint64_t pixels = static_cast<std::uint64_t>(width) * rows;
  const std::uint64_t available = file_size - data_offset;
  if (compression == 0 || compression == 3) {
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
    if (stride * rows > available) return std::nullopt;
  } else if (compression == 1 || compression == 2) {
    // Run-length pictures pack at most 255 pixels in two bytes.
    if (pixels > available * 128) return std::nullopt;
  } else {
    return std::nullopt;
  }
  return BitmapSize{width, height};
}

}  // namespace kal
