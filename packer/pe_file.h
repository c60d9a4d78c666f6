// A Windows program's file as kalpack changes it: the headers and sections it reads, the resources it copies,
// and a section it adds at the end. Only what a PE32+ program made by MinGW holds is read; anything else is
// refused, never guessed at.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "common/little_endian.h"

namespace kal::pack {

// A resource by its type, number and language (KAL's programs name none by text).
using ResourceKey = std::tuple<std::uint16_t, std::uint16_t, std::uint16_t>;
using Resources = std::map<ResourceKey, std::string>;

// Little-endian numbers of 1 to 4 bytes, as PE files and their resources hold them: read (0 past the end),
// appended, and written over bytes already there (set_le, of up to 8).
inline std::uint32_t get_le(std::string_view bytes, std::size_t at, int size) {
  return static_cast<std::uint32_t>(little_endian_at(bytes, at, size));
}
inline void put_le(std::string& bytes, std::uint32_t value, int size) {
  append_little_endian(bytes, value, size);
}
inline void set_le(std::string& bytes, std::size_t at, std::uint64_t value, int size) {
  for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

inline constexpr std::uint16_t kIcon = 3, kGroupIcon = 14, kVersion = 16, kManifest = 24;

class PeFile {
 public:
  // Nothing when the bytes are no PE32+ program, or one kalpack cannot change (no room for a section header,
  // resources named by text).
  static std::optional<PeFile> read(std::string bytes);

  const Resources& resources() const { return resources_; }
  // The resources in a section of their own, added after everything else; the old section stays, unused.
  void add_resource_section(std::string_view name, const Resources& resources);
  // Bytes after the image, where the loader maps nothing.
  void append(std::string_view tail) { bytes_.append(tail); }
  // The file, its checksum made again.
  std::string bytes() const;

 private:
  struct Section {
    std::string name;
    std::uint32_t virtual_size, rva, raw_size, raw_at;
  };
  std::uint32_t file_offset(std::uint32_t rva, std::uint32_t size) const;  // 0 when outside every section
  bool read_resources();

  std::string bytes_;
  std::size_t pe_ = 0, optional_ = 0, table_ = 0;
  std::vector<Section> sections_;
  Resources resources_;
};

// A resource section's bytes for resources keyed by number, at its place in memory.
std::string resource_section(const Resources& resources, std::uint32_t rva);

}  // namespace kal::pack
