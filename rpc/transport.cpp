#include "rpc/transport.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <memory>
#include <optional>
#include <string_view>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace kal::rpc {
namespace {

constexpr std::string_view kLengthHeader = "content-length:";
constexpr std::size_t kMaxHeaderLine = std::size_t{1} << 20;
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

// The UTF-16 unit of a "\uXXXX" escape at text[at], or -1 when there is none there.
long escape_at(std::string_view text, std::size_t at) {
  if (at + 6 > text.size() || text[at] != '\\' || text[at + 1] != 'u') return -1;
  unsigned value = 0;
  const char* digits = text.data() + at + 2;
  return std::from_chars(digits, digits + 4, value, 16).ptr == digits + 4 ? static_cast<long>(value) : -1;
}

// The text with each surrogate escape that is not half of a pair replaced by "\ufffd"; nullopt when there is
// none (nearly always), so that the text is not copied.
std::optional<std::string> without_lone_surrogates(std::string_view text) {
  std::optional<std::string> out;
  std::size_t copied = 0;
  auto high = [](long u) { return u >= 0xD800 && u <= 0xDBFF; };
  auto low = [](long u) { return u >= 0xDC00 && u <= 0xDFFF; };
  // A backslash comes only inside a text, and always with the character it escapes.
  for (std::size_t at = text.find('\\'); at != std::string_view::npos; at = text.find('\\', at)) {
    const long unit = escape_at(text, at);
    if (high(unit) && low(escape_at(text, at + 6))) {
      at += 12;
      continue;
    }
    if (high(unit) || low(unit)) {
      if (!out) out.emplace();
      out->append(text.substr(copied, at - copied)).append("\\ufffd");
      copied = at + 6;
      at += 6;
      continue;
    }
    at += 2;
  }
  if (out) out->append(text.substr(copied));
  return out;
}

struct TooDeep {};

}  // namespace

ParsedMessage parse_message(std::string_view body) {
  const std::optional<std::string> mended = without_lone_surrogates(body);
  const std::string_view text = mended ? std::string_view(*mended) : body;
  try {
    return {nlohmann::json::parse(text,
                                  [](int depth, nlohmann::json::parse_event_t, nlohmann::json&) {
                                    if (depth > kMaxMessageDepth) throw TooDeep{};
                                    return true;
                                  }),
            ParsedMessage::Refused::No};
  } catch (const nlohmann::json::exception&) {
    return {nlohmann::json(nlohmann::json::value_t::discarded), ParsedMessage::Refused::NotJson};
  } catch (const TooDeep&) {
    return {nlohmann::json(nlohmann::json::value_t::discarded), ParsedMessage::Refused::TooDeep};
  }
}

std::string json_text(const nlohmann::json& value) {
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void send(const ByteSink& out, std::string_view body) {
  std::string message = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  out(message.append(body));
}

void read_messages(const ByteSource& in, const std::function<bool(nlohmann::json& message)>& take,
                   const std::function<void(Fault)>& fault) {
  MessageReader reader(in);
  for (;;) {
    Incoming incoming = reader.next();
    if (incoming.kind == Incoming::Kind::End) return;
    if (incoming.kind == Incoming::Kind::BadHeader) {
      fault(Fault::BadHeader);
      continue;
    }
    ParsedMessage parsed = parse_message(incoming.body);
    incoming.body = std::string();
    if (parsed.refused != ParsedMessage::Refused::No) {
      fault(parsed.refused == ParsedMessage::Refused::TooDeep ? Fault::TooDeep : Fault::NotJson);
      continue;
    }
    if (!take(parsed.value)) return;
  }
}

ByteSource standard_input() {
#ifdef _WIN32
  _setmode(0, _O_BINARY);
  return [](char* buffer, std::size_t n) {
    const int got = _read(0, buffer, static_cast<unsigned>(std::min<std::size_t>(n, 1 << 20)));
    return got > 0 ? static_cast<std::size_t>(got) : 0;
  };
#else
  return [](char* buffer, std::size_t n) {
    for (;;) {
      const ssize_t got = read(0, buffer, n);
      if (got >= 0) return static_cast<std::size_t>(got);
      if (errno != EINTR) return std::size_t{0};
    }
  };
#endif
}

ByteSink standard_output() {
#ifdef _WIN32
  _setmode(1, _O_BINARY);
#endif
  return [](std::string_view bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
  };
}

ByteSource bytes_of(std::string text) {
  auto held = std::make_shared<std::string>(std::move(text));
  auto at = std::make_shared<std::size_t>(0);
  return [held, at](char* buffer, std::size_t n) {
    const std::size_t count = std::min(n, held->size() - *at);
    held->copy(buffer, count, *at);
    *at += count;
    return count;
  };
}

bool MessageReader::fill() {
  if (ended_) return false;
  buffer_.erase(0, taken_);
  taken_ = 0;
  char piece[65536];
  const std::size_t got = in_(piece, sizeof piece);
  if (got == 0) {
    ended_ = true;
    return false;
  }
  buffer_.append(piece, got);
  return true;
}

bool MessageReader::next_line(std::string& line) {
  if (has_carried_) {
    line = std::move(carried_);
    has_carried_ = false;
    return true;
  }
  // As getline: up to a line feed, which is dropped; a last line without one still counts.
  for (std::size_t scanned = 0;;) {
    const std::size_t end = buffer_.find('\n', taken_ + scanned);
    if (end != std::string::npos) {
      line.assign(buffer_, taken_, end - taken_);
      taken_ = end + 1;
      return true;
    }
    scanned = buffer_.size() - taken_;
    // Endless bytes without a line feed are a damaged header, not a line to keep growing.
    if (scanned >= kMaxHeaderLine || !fill()) {
      if (taken_ == buffer_.size()) return false;
      line.assign(buffer_, taken_);
      taken_ = buffer_.size();
      return true;
    }
  }
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
  std::string body;
  // Taken as it arrives: a damaged length must not reserve memory for bytes that never come.
  while (body.size() < length) {
    if (taken_ == buffer_.size() && !fill()) break;
    const std::size_t count = std::min(length - body.size(), buffer_.size() - taken_);
    body.append(buffer_, taken_, count);
    taken_ += count;
  }
  return {Incoming::Kind::Message, std::move(body)};
}

}  // namespace kal::rpc
