#include "packer/pe_file.h"

#include <algorithm>

#include "launcher/packed_script.h"

namespace kal::pack {

namespace {

constexpr auto get = get_le;
constexpr auto put = put_le;
constexpr auto set = set_le;
std::uint32_t align(std::uint64_t v, std::uint32_t to) {
  return static_cast<std::uint32_t>((v + to - 1) / to * to);
}

// Fields of the PE32+ optional header, from its start.
constexpr std::size_t kInitializedData = 8, kSectionAlignment = 32, kFileAlignment = 36, kSizeOfImage = 56,
                      kSizeOfHeaders = 60, kCheckSum = 64, kDirectories = 112;
constexpr std::size_t kResourceDirectory = 2, kSecurityDirectory = 4;

}  // namespace

std::optional<PeFile> PeFile::read(std::string bytes) {
  PeFile f;
  f.bytes_ = std::move(bytes);
  const std::string_view b = f.bytes_;
  if (b.size() < 0x40 || b.substr(0, 2) != "MZ") return std::nullopt;
  f.pe_ = get(b, 0x3C, 4);
  if (f.pe_ + 24 > b.size() || b.substr(f.pe_, 4) != std::string_view("PE\0\0", 4)) return std::nullopt;
  f.optional_ = f.pe_ + 24;
  if (get(b, f.optional_, 2) != 0x20B || get(b, f.pe_ + 20, 2) < kDirectories + 16 * 8) return std::nullopt;
  f.table_ = f.optional_ + get(b, f.pe_ + 20, 2);
  const std::size_t count = get(b, f.pe_ + 6, 2);
  // Alignments as MinGW's programs have them (powers of two, the file's from 512 bytes to 64 KB, memory's no
  // smaller), and an image within 2 GB: the new section is placed by them.
  const std::uint32_t file_alignment = get(b, f.optional_ + kFileAlignment, 4),
                      section_alignment = get(b, f.optional_ + kSectionAlignment, 4);
  const auto power_of_two = [](std::uint32_t v) { return v != 0 && (v & (v - 1)) == 0; };
  if (!power_of_two(file_alignment) || file_alignment < 512 || file_alignment > 65536 ||
      !power_of_two(section_alignment) || section_alignment < file_alignment)
    return std::nullopt;
  for (std::size_t s = 0; s < count; ++s) {
    const std::size_t at = f.table_ + s * 40;
    if (at + 40 > b.size()) return std::nullopt;
    std::string name(b.substr(at, 8));
    name.resize(name.find('\0') == std::string::npos ? 8 : name.find('\0'));
    f.sections_.push_back(
        {name, get(b, at + 8, 4), get(b, at + 12, 4), get(b, at + 16, 4), get(b, at + 20, 4)});
    const Section& added = f.sections_.back();
    if (added.rva + std::uint64_t{std::max(added.virtual_size, added.raw_size)} > 0x7FFFFFFFu)
      return std::nullopt;
  }
  // The new section's header needs room in the file before the first section's bytes.
  std::uint64_t first_raw = std::min<std::uint64_t>(get(b, f.optional_ + kSizeOfHeaders, 4), b.size());
  for (const Section& s : f.sections_)
    if (s.raw_size != 0) first_raw = std::min<std::uint64_t>(first_raw, s.raw_at);
  if (f.table_ + (count + 1) * 40 > first_raw) return std::nullopt;
  // A signed program keeps its signature after its image: kalpack makes a new program, signed afresh if at
  // all. A signature anywhere else is no program's.
  const std::size_t directory = f.optional_ + kDirectories + kSecurityDirectory * 8;
  if (const std::uint32_t signature = get(b, directory, 4); signature != 0) {
    const std::optional<PeLayout> layout = pe_layout(b);
    if (!layout || signature < layout->image_end || signature > b.size()) return std::nullopt;
    f.bytes_.resize(signature);  // b is not read again
    set(f.bytes_, directory, 0, 8);
  }
  if (!f.read_resources()) return std::nullopt;
  return f;
}

std::uint32_t PeFile::file_offset(std::uint32_t rva, std::uint32_t size) const {
  for (const Section& s : sections_)
    if (rva >= s.rva && rva + std::uint64_t{size} <= s.rva + std::uint64_t{s.raw_size} &&
        s.raw_at + std::uint64_t{rva - s.rva} + size <= bytes_.size())
      return s.raw_at + (rva - s.rva);
  return 0;
}

// Three levels, each a directory of numbered entries: type, number, language; the leaves say where the bytes
// are in memory.
bool PeFile::read_resources() {
  const std::string_view b = bytes_;
  const std::uint32_t rva = get(b, optional_ + kDirectories + kResourceDirectory * 8, 4);
  if (rva == 0) return true;
  const std::uint32_t base = file_offset(rva, 16);
  if (base == 0) return false;
  auto entries = [&](std::uint32_t dir, auto each) {
    const std::uint32_t named = get(b, base + dir + 12, 2), numbered = get(b, base + dir + 14, 2);
    if (named != 0 || numbered > 4096) return false;
    for (std::uint32_t e = 0; e < numbered; ++e) {
      const std::size_t at = base + dir + 16 + e * 8;
      if (at + 8 > b.size() || !each(static_cast<std::uint16_t>(get(b, at, 4)), get(b, at + 4, 4)))
        return false;
    }
    return true;
  };
  constexpr std::uint32_t kSub = 0x80000000u;
  return entries(0, [&](std::uint16_t type, std::uint32_t to_names) {
    return (to_names & kSub) && entries(to_names & ~kSub, [&](std::uint16_t id, std::uint32_t to_langs) {
             return (to_langs & kSub) &&
                    entries(to_langs & ~kSub, [&](std::uint16_t lang, std::uint32_t leaf) {
                      if (leaf & kSub) return false;
                      const std::uint32_t data_rva = get(b, base + leaf, 4),
                                          size = get(b, base + leaf + 4, 4);
                      const std::uint32_t at = file_offset(data_rva, size);
                      if (at == 0) return false;
                      resources_[{type, id, lang}] = std::string(b.substr(at, size));
                      return true;
                    });
           });
  });
}

std::string resource_section(const Resources& resources, std::uint32_t rva) {
  // The directories first (the root, each type's, each number's), then the leaves, then the bytes.
  std::map<std::uint16_t, std::map<std::uint16_t, std::map<std::uint16_t, const std::string*>>> tree;
  for (const auto& [key, data] : resources)
    tree[std::get<0>(key)][std::get<1>(key)][std::get<2>(key)] = &data;
  auto dir_size = [](std::size_t n) { return 16 + 8 * n; };
  std::size_t dirs = dir_size(tree.size());
  for (const auto& [type, ids] : tree) {
    dirs += dir_size(ids.size());
    for (const auto& [id, langs] : ids) dirs += dir_size(langs.size());
  }
  const std::size_t leaves = dirs, blobs = leaves + 16 * resources.size();
  std::string out;
  std::string data;
  std::size_t next_dir = dir_size(tree.size()), next_leaf = leaves;
  auto directory = [&out](std::size_t n) {
    put(out, 0, 4), put(out, 0, 4), put(out, 0, 2), put(out, 0, 2), put(out, 0, 2);
    put(out, static_cast<std::uint32_t>(n), 2);
  };
  constexpr std::uint32_t kSub = 0x80000000u;
  std::string leaf_bytes;
  directory(tree.size());
  for (const auto& [type, ids] : tree) {
    put(out, type, 4), put(out, kSub | static_cast<std::uint32_t>(next_dir), 4);
    next_dir += dir_size(ids.size());
    for (const auto& [id, langs] : ids) next_dir += dir_size(langs.size());
  }
  next_dir = dir_size(tree.size());
  for (const auto& [type, ids] : tree) {
    std::size_t below = next_dir + dir_size(ids.size());
    directory(ids.size());
    for (const auto& [id, langs] : ids) {
      put(out, id, 4), put(out, kSub | static_cast<std::uint32_t>(below), 4);
      below += dir_size(langs.size());
    }
    for (const auto& [id, langs] : ids) {
      directory(langs.size());
      for (const auto& [lang, blob] : langs) {
        put(out, lang, 4), put(out, static_cast<std::uint32_t>(next_leaf), 4);
        next_leaf += 16;
        while (data.size() % 8 != 0) data.push_back('\0');
        put(leaf_bytes, static_cast<std::uint32_t>(rva + blobs + data.size()), 4);
        put(leaf_bytes, static_cast<std::uint32_t>(blob->size()), 4), put(leaf_bytes, 0, 4),
            put(leaf_bytes, 0, 4);
        data += *blob;
      }
    }
    next_dir = below;
  }
  return out + leaf_bytes + data;
}

void PeFile::add_resource_section(std::string_view name, const Resources& resources) {
  const std::uint32_t section_alignment = get(bytes_, optional_ + kSectionAlignment, 4);
  const std::uint32_t file_alignment = get(bytes_, optional_ + kFileAlignment, 4);
  std::uint64_t memory_end = 0;
  for (const Section& s : sections_)
    memory_end = std::max<std::uint64_t>(memory_end, s.rva + std::max(s.virtual_size, s.raw_size));
  const std::uint32_t rva = align(memory_end, section_alignment);
  const std::string data = resource_section(resources, rva);
  // After everything the file holds (a symbol table may follow the sections of a program not stripped).
  const std::uint32_t raw_at = align(bytes_.size(), file_alignment);
  const std::uint32_t raw_size = align(data.size(), file_alignment);
  bytes_.resize(raw_at, '\0');
  bytes_ += data;
  bytes_.resize(raw_at + raw_size, '\0');
  const std::size_t count = sections_.size();
  const std::size_t at = table_ + count * 40;
  std::string header(name.substr(0, 8));
  header.resize(8, '\0');
  put(header, static_cast<std::uint32_t>(data.size()), 4), put(header, rva, 4), put(header, raw_size, 4);
  put(header, raw_at, 4), put(header, 0, 4), put(header, 0, 4), put(header, 0, 2), put(header, 0, 2);
  put(header, 0x40000040u, 4);  // initialized data, read
  bytes_.replace(at, 40, header);
  sections_.push_back({std::string(name), static_cast<std::uint32_t>(data.size()), rva, raw_size, raw_at});
  set(bytes_, pe_ + 6, static_cast<std::uint32_t>(count + 1), 2);
  set(bytes_, optional_ + kSizeOfImage, align(rva + std::uint64_t{data.size()}, section_alignment), 4);
  set(bytes_, optional_ + kInitializedData, get(bytes_, optional_ + kInitializedData, 4) + raw_size, 4);
  set(bytes_, optional_ + kDirectories + kResourceDirectory * 8, rva, 4);
  set(bytes_, optional_ + kDirectories + kResourceDirectory * 8 + 4, static_cast<std::uint32_t>(data.size()),
      4);
  resources_ = resources;
}

std::string PeFile::bytes() const {
  // The PE checksum: the file's 16-bit words summed with their carries folded in, plus its length, with the
  // checksum field itself counted as zero.
  std::string out = bytes_;
  set(out, optional_ + kCheckSum, 0, 4);
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < out.size(); i += 2) {
    sum += get(out, i, i + 1 < out.size() ? 2 : 1);
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  set(out, optional_ + kCheckSum, static_cast<std::uint32_t>(sum + out.size()), 4);
  return out;
}

}  // namespace kal::pack
