// The smallest Windows program kalpack takes, for the packer's tests and its fuzzer: PE32+ headers and one
// section, no resources.
#pragma once

#include <string>

#include "packer/pe_file.h"

namespace kal::test {

inline std::string tiny_program() {
  constexpr auto set = pack::set_le;
  std::string b(0x400, '\0');
  b[0] = 'M', b[1] = 'Z';
  set(b, 0x3C, 0x40, 4);
  b.replace(0x40, 4, std::string("PE\0\0", 4));
  set(b, 0x44, 0x8664, 2), set(b, 0x46, 1, 2), set(b, 0x54, 240, 2);
  const std::size_t o = 0x58;
  set(b, o, 0x20B, 2), set(b, o + 32, 0x1000, 4), set(b, o + 36, 0x200, 4), set(b, o + 56, 0x2000, 4);
  set(b, o + 60, 0x200, 4), set(b, o + 108, 16, 4);
  const std::size_t s = o + 240;
  b.replace(s, 5, ".text");
  set(b, s + 8, 0x10, 4), set(b, s + 12, 0x1000, 4), set(b, s + 16, 0x200, 4), set(b, s + 20, 0x200, 4);
  return b;
}

}  // namespace kal::test
