// Numbers as the file formats store them: little-endian, byte by byte, whatever the machine.
#pragma once

#include <cstdint>
#include <string>

namespace kal {

inline std::uint64_t read_little_endian(const char* bytes, int count) {
  std::uint64_t v = 0;
  for (int i = count; i-- > 0;) v = (v << 8) | static_cast<unsigned char>(bytes[i]);
  return v;
}

inline void append_little_endian(std::string& out, std::uint64_t v, int count) {
  for (int i = 0; i < count; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace kal
