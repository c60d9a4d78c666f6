#include "lsp/message_reader.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string_view>

namespace kal::lsp {
namespace {

constexpr std::string_view kLengthHeader = "content-length:";
constexpr std::size_t kMaxBody = std::size_t{1} << 30;  // a larger length is a damaged header

std::string lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

// A header line: a name of letters, digits and "-", a colon, a value; or the empty line that ends them.
bool well_formed(std::string_view text) {
  if (text.empty()) return true;
  const std::size_t colon = text.find(':');
  if (colon == 0 || colon == std::string_view::npos) return false;
  return std::all_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(colon),
                     [](unsigned char c) { return std::isalnum(c) || c == '-'; });
}

}  // namespace

bool MessageReader::next_line(std::string& line) {
  if (has_carried_) {
    line = std::move(carried_);
    has_carried_ = false;
    return true;
  }
  return static_cast<bool>(std::getline(in_, line));
}

Incoming MessageReader::skip(std::string line) {
  // The next message's header may follow the damaged one's last bytes on the same line; the damaged line
  // itself is not taken again.
  for (std::size_t from = 1;; from = 0) {
    const std::size_t at = lower(line).find(kLengthHeader, from);
    if (at != std::string::npos) {
      carried_ = line.substr(at);
      has_carried_ = true;
      break;
    }
    if (!next_line(line)) break;
  }
  return {Incoming::Kind::BadHeader, {}};
}

Incoming MessageReader::next() {
  std::string line;
  std::size_t length = 0;
  bool has_length = false;
  while (true) {
    if (!next_line(line)) return {Incoming::Kind::End, {}};
    const std::string_view text = trim(line);
    if (text.empty()) {
      if (has_length) break;
      return skip(std::move(line));  // headers without a length
    }
    bool ok = well_formed(text);
    const std::size_t colon = text.find(':');
    if (ok && lower(text.substr(0, colon + 1)) == kLengthHeader) {
      const std::string_view value = trim(text.substr(colon + 1));
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), length);
      ok = error == std::errc() && end == value.data() + value.size() && length <= kMaxBody;
      has_length = true;
    }
    if (!ok) return skip(std::move(line));
  }
  // Read in pieces: a damaged length must not reserve memory for bytes that never come.
  std::string body;
  char piece[65536];
  while (body.size() < length && in_) {
    in_.read(piece, static_cast<std::streamsize>(std::min(sizeof piece, length - body.size())));
    body.append(piece, static_cast<std::size_t>(in_.gcount()));
  }
  return {Incoming::Kind::Message, std::move(body)};
}

}  // namespace kal::lsp
