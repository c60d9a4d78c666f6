// Numbers as the file formats store them: little-endian, byte by byte, whatever the machine.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kal {

inline std::uint64_t read_little_endian(const char* bytes, int count) {
  std::uint64_t v = 0;
  for (int i = count; i-- > 0;) v = (v << 8) | static_cast<unsigned char>(bytes[i]);
  return v;
}

// The number of `count` bytes at `at`, or 0 when the bytes end before them: for the headers of files that may
// be cut short.
inline std::uint64_t little_endian_at(std::string_view bytes, std::size_t at, int count) {
  if (at > bytes.size() || bytes.size() - at < static_cast<std::size_t>(count)) return 0;
  return read_little_endian(bytes.data() + at, count);
}

inline void append_little_endian(std::string& out, std::uint64_t v, int count) {
  for (int i = 0; i < count; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace kal
