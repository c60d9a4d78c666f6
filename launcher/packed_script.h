// A packed program: KAL.exe with a script to run, made by kalpack. Its image gains a resource section of its
// own, named ".kalpak" (the program's icon, version and manifest, with the script's description), and after
// the image, where the loader maps nothing, comes the script as written, after a header that says how long it
// is and what its CRC-32 is:
//
//   "KALPACK1"   8 bytes
//   length       8 bytes, little-endian: the script's bytes that follow
//   CRC-32       4 bytes, little-endian, of those bytes (the polynomial of zip and PNG)
//   0            4 bytes
//   the script   as its file holds it
//
// A signature, when the program is signed, comes after the script. So a cut or changed program is found out
// (the section says a script must follow, and what follows is short or differs), never taken for KAL.exe.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace kal {

inline constexpr std::string_view kPackSection = ".kalpak";
inline constexpr std::string_view kPackMagic = "KALPACK1";
inline constexpr std::size_t kPackHeaderSize = 24;

// What a PE file's headers say of its layout, from its first kPeHeadersRead bytes (a program whose headers do
// not fit there is no program kalpack makes).
inline constexpr std::size_t kPeHeadersRead = 4096;
struct PeLayout {
  std::size_t image_end = 0;  // the end of the last section's bytes in the file
  bool packed = false;        // it has the packed program's section
};
std::optional<PeLayout> pe_layout(std::string_view first_bytes);

std::uint32_t crc32(std::string_view bytes);
// The header and the script, as they follow the image.
std::string packed_tail(std::string_view script);

struct PackedScript {
  enum class State { None, Damaged, Script } state = State::None;
  std::string script;
};
// The script of the program at `own_path`, read from its file: None for KAL.exe itself.
PackedScript packed_script(Files& files, const std::string& own_path);

}  // namespace kal
