#include "lsp/protocol.h"

#include <cctype>
#include <charconv>

#include "common/cp1252.h"
#include "rpc/transport.h"

namespace kal::lsp {
namespace {

std::string percent_decoded(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned value = 0;
    const char* digits = text.data() + i + 1;
    if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(digits[0])) &&
        std::isxdigit(static_cast<unsigned char>(digits[1])) &&
        std::from_chars(digits, digits + 2, value, 16).ptr == digits + 2) {
      out += static_cast<char>(value);
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

std::string utf8(std::string_view cp1252_text) {
  return cp1252::to_utf8(cp1252_text);
}

std::string quoted(const std::string& text) {
  return rpc::json_text(json(text));
}

json range(const Document& d, std::size_t offset, std::size_t length) {
  const Position start = d.position(offset);
  const Position end = d.position(offset + length);
  return {{"start", {{"line", start.line}, {"character", start.character}}},
          {"end", {{"line", end.line}, {"character", end.character}}}};
}

void append_range(std::string& out, const Document& d, std::size_t offset, std::size_t length) {
  const Position start = d.position(offset);
  const Position end = d.position(offset + length);
  out.append(R"({"start":{"line":)").append(std::to_string(start.line));
  out.append(R"(,"character":)").append(std::to_string(start.character));
  out.append(R"(},"end":{"line":)").append(std::to_string(end.line));
  out.append(R"(,"character":)").append(std::to_string(end.character)).append("}}");
}

std::size_t offset_of(const Document& d, const json& position) {
  return d.offset({position.at("line").get<std::size_t>(), position.at("character").get<std::size_t>()});
}

std::size_t offset_at(const Document& d, const json& params) {
  return offset_of(d, params.at("position"));
}

std::pair<std::size_t, std::size_t> offsets_of(const Document& d, const json& range) {
  return {offset_of(d, range.at("start")), offset_of(d, range.at("end"))};
}

std::string folder_of(const std::string& uri) {
  constexpr std::string_view kScheme = "file://";
  if (!uri.starts_with(kScheme)) return {};
  std::string path = percent_decoded(std::string_view(uri).substr(kScheme.size()));
  if (path.size() > 2 && path[0] == '/' && path[2] == ':') path.erase(0, 1);  // file:///c:/...
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace kal::lsp
