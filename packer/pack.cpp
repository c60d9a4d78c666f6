#include "packer/pack.h"

#include <array>
#include <optional>
#include <vector>

#include "common/cp1252.h"
#include "launcher/packed_script.h"
#include "packer/pe_file.h"

namespace kal::pack {
namespace {

constexpr auto put = put_le;
constexpr auto get = get_le;
void pad4(std::string& b) {
  while (b.size() % 4 != 0) b.push_back('\0');
}
void wide(std::string& b, std::string_view cp1252_text) {
  for (const char16_t unit : cp1252::to_utf16(cp1252_text)) put(b, unit, 2);
  put(b, 0, 2);
}

// One block of a version resource: its length, its value's length, its kind (1: text), its key, its value
// and its children, each on a four-byte boundary.
std::string block(std::string_view key, std::string_view value, bool text, std::string_view children,
                  std::uint32_t value_length) {
  std::string b;
  put(b, 0, 2), put(b, value_length, 2), put(b, text ? 1 : 0, 2);
  wide(b, key);
  pad4(b);
  b += value;
  pad4(b);
  b += children;
  set_le(b, 0, b.size(), 2);
  return b;
}

std::optional<std::array<std::uint16_t, 4>> version_numbers(std::string_view v) {
  std::array<std::uint16_t, 4> n{};
  std::size_t part = 0;
  std::uint32_t value = 0;
  bool digit = false;
  for (const char c : v) {
    if (c >= '0' && c <= '9') {
      value = value * 10 + static_cast<std::uint32_t>(c - '0');
      if (value > 65535) return std::nullopt;
      digit = true;
    } else if (c == '.' && digit && part < 3) {
      n[part++] = static_cast<std::uint16_t>(value);
      value = 0;
      digit = false;
    } else {
      return std::nullopt;
    }
  }
  if (!digit) return std::nullopt;
  n[part] = static_cast<std::uint16_t>(value);
  return n;
}

// An .ico file's images as icon resources numbered from 1, and the group that names them.
bool icon_resources(std::string_view ico, Resources& out) {
  if (ico.size() < 6 || get(ico, 0, 2) != 0 || get(ico, 2, 2) != 1) return false;
  const std::uint32_t count = get(ico, 4, 2);
  if (count == 0 || ico.size() < 6 + 16 * std::size_t{count}) return false;
  std::string group;
  put(group, 0, 2), put(group, 1, 2), put(group, count, 2);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t e = 6 + 16 * i;
    const std::uint32_t size = get(ico, e + 8, 4), at = get(ico, e + 12, 4);
    if (std::uint64_t{at} + size > ico.size() || size == 0) return false;
    out[{kIcon, static_cast<std::uint16_t>(i + 1), 0x0409}] = std::string(ico.substr(at, size));
    group.append(ico.substr(e, 12));
    put(group, i + 1, 2);
  }
  out[{kGroupIcon, 1, 0x0409}] = group;
  return true;
}

std::string stem(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return std::string(name.substr(0, dot == std::string_view::npos ? name.size() : dot));
}

}  // namespace

std::string version_resource(const Options& o, std::string_view kal_version) {
  const std::string version = o.version.empty() ? "1.0" : o.version;
  const std::array<std::uint16_t, 4> n = *version_numbers(version);
  const std::string description = o.description.empty() ? stem(o.file_name) : o.description;
  std::string fixed;
  put(fixed, 0xFEEF04BD, 4), put(fixed, 0x00010000, 4);
  for (int twice = 0; twice < 2; ++twice) put(fixed, n[0] << 16 | n[1], 4), put(fixed, n[2] << 16 | n[3], 4);
  put(fixed, 0x3F, 4), put(fixed, 0, 4), put(fixed, 0x00040004, 4), put(fixed, 1, 4), put(fixed, 0, 4);
  put(fixed, 0, 4), put(fixed, 0, 4);
  std::string strings;
  const std::pair<std::string_view, std::string> kStrings[] = {
      {"Comments", std::string("Un programa de KAL ").append(kal_version).append(", hecho con kalpack")},
      {"FileDescription", description},
      {"FileVersion", version},
      {"InternalName", stem(o.file_name)},
      {"OriginalFilename", o.file_name},
      {"ProductName", description},
      {"ProductVersion", version},
  };
  for (const auto& [key, value] : kStrings) {
    std::string v;
    wide(v, value);
    strings += block(key, v, true, {}, static_cast<std::uint32_t>(v.size() / 2));
    pad4(strings);
  }
  std::string translation;
  put(translation, 0x04E40C0A, 4);  // Spanish (0C0A), Windows-1252 (04E4), as KAL.exe's
  const std::string file_info = block("StringFileInfo", {}, true, block("0C0A04E4", {}, true, strings, 0), 0);
  std::string children = file_info;
  pad4(children);
  children += block("VarFileInfo", {}, true, block("Translation", translation, false, {}, 4), 0);
  return block("VS_VERSION_INFO", fixed, false, children, static_cast<std::uint32_t>(fixed.size()));
}

constexpr const char* kNotAProgram = "KAL.exe no es un programa de Windows que kalpack sepa completar";

Packed pack(std::string_view kal_exe, std::string_view script, const Options& options) {
  Packed out;
  std::optional<PeFile> pe = PeFile::read(std::string(kal_exe));
  if (!pe) {
    out.refusal = kNotAProgram;
    return out;
  }
  if (const std::optional<PeLayout> layout = pe_layout(kal_exe.substr(0, kPeHeadersRead));
      layout && layout->packed) {
    out.refusal = "ese KAL.exe ya es un programa hecho con kalpack: use el KAL.exe de KAL";
    return out;
  }
  // Named KAL.exe, the program would be the interpreter of whatever folder it lands in.
  if (cp1252::lower(options.file_name) == "kal.exe") {
    out.refusal = "el programa no puede llamarse KAL.exe: elija otro nombre";
    return out;
  }
  if (!options.version.empty() && !version_numbers(options.version)) {
    out.refusal =
        "la versi\xF3n son de una a cuatro cifras separadas por puntos (1.2 o 2.0.1), cada una hasta 65535";
    return out;
  }
  Resources resources;
  for (const auto& [key, data] : pe->resources())
    if (std::get<0>(key) == kManifest ||
        (options.icon.empty() && (std::get<0>(key) == kIcon || std::get<0>(key) == kGroupIcon)))
      resources[key] = data;
  if (!options.icon.empty() && !icon_resources(options.icon, resources)) {
    out.refusal = "el icono no es un fichero .ico";
    return out;
  }
  std::string kal_version = "?";
  for (const auto& [key, data] : pe->resources())
    if (std::get<0>(key) == kVersion && data.size() >= 92) {
      const std::string_view fixed = std::string_view(data).substr(40);  // after its key, on 4 bytes
      kal_version = std::to_string(get(fixed, 10, 2)) + "." + std::to_string(get(fixed, 8, 2)) + "." +
                    std::to_string(get(fixed, 14, 2));
    }
  resources[{kVersion, 1, 0x0C0A}] = version_resource(options, kal_version);
  pe->add_resource_section(kPackSection, resources);
  pe->append(packed_tail(script));
  out.program = pe->bytes();
  // The program is read at start as the launcher reads it: its script must be found where it was put, or the
  // program would call itself damaged (headers past what is read, sections that claim bytes the file lacks).
  const std::optional<PeLayout> made = pe_layout(std::string_view(out.program).substr(0, kPeHeadersRead));
  if (!made || !made->packed || made->image_end != out.program.size() - kPackHeaderSize - script.size()) {
    out.program.clear();
    out.refusal = kNotAProgram;
  }
  return out;
}

}  // namespace kal::pack
