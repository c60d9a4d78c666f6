#include "launcher/packed_script.h"

#include <array>

#include "common/little_endian.h"

namespace kal {
namespace {

std::uint64_t u16(std::string_view b, std::size_t at) {
  return little_endian_at(b, at, 2);
}
std::uint64_t u32(std::string_view b, std::size_t at) {
  return little_endian_at(b, at, 4);
}

}  // namespace

std::optional<PeLayout> pe_layout(std::string_view b) {
  if (b.substr(0, 2) != "MZ") return std::nullopt;
  const std::size_t pe = u32(b, 0x3C);
  if (pe > b.size() || b.substr(pe, 4) != std::string_view("PE\0\0", 4)) return std::nullopt;
  const std::size_t sections = u16(b, pe + 6), optional = u16(b, pe + 20);
  const std::size_t table = pe + 24 + optional;
  if (table + sections * 40 > b.size()) return std::nullopt;
  PeLayout layout;
  layout.image_end = u32(b, pe + 24 + 60);  // the headers' size
  for (std::size_t s = 0; s < sections; ++s) {
    const std::size_t at = table + s * 40;
    const std::string_view name = b.substr(at, 8);
    if (name.substr(0, name.find('\0')) == kPackSection) layout.packed = true;
    if (const std::uint64_t raw = u32(b, at + 16); raw != 0)
      layout.image_end = std::max<std::size_t>(layout.image_end, u32(b, at + 20) + raw);
  }
  return layout;
}

std::uint32_t crc32(std::string_view bytes) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  std::uint32_t c = 0xFFFFFFFFu;
  for (const char b : bytes) c = table[(c ^ static_cast<unsigned char>(b)) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::string packed_tail(std::string_view script) {
  std::string out(kPackMagic);
  append_little_endian(out, script.size(), 8);
  append_little_endian(out, crc32(script), 4);
  append_little_endian(out, 0, 4);
  return out.append(script);
}

PackedScript packed_script(Files& files, const std::string& own_path) {
  PackedScript found;
  const std::unique_ptr<InputFile> own = files.open_input(own_path);
  const std::optional<FileInfo> info = files.file_info(own_path);
  if (!own || !info) return found;
  std::string head(kPeHeadersRead, '\0');
  head.resize(own->read_fully(head.data(), head.size()));
  const std::optional<PeLayout> layout = pe_layout(head);
  if (!layout || !layout->packed) return found;
  // From here on the program is a packed one: anything short of its whole script is damage.
  found.state = PackedScript::State::Damaged;
  std::string header(kPackHeaderSize, '\0');
  if (!own->seek(layout->image_end) || own->read_fully(header.data(), header.size()) != header.size() ||
      std::string_view(header).substr(0, kPackMagic.size()) != kPackMagic)
    return found;
  const std::uint64_t length = little_endian_at(header, 8, 8);
  if (length > info->size - layout->image_end - kPackHeaderSize) return found;
  std::string script(static_cast<std::size_t>(length), '\0');
  if (own->read_fully(script.data(), script.size()) != script.size() || crc32(script) != u32(header, 16))
    return found;
  found.state = PackedScript::State::Script;
  found.script = std::move(script);
  return found;
}

}  // namespace kal
