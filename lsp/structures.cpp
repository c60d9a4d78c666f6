#include "lsp/structures.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <optional>

#include "common/cp1252.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace kal::lsp {
namespace {

using Seen = Structures::Seen;

#ifdef _WIN32
using Stat = struct _stat64;
std::optional<std::wstring> wide(const std::string& path) {
  const std::optional<std::u16string> units = cp1252::utf16_from_utf8(path);
  if (!units) return std::nullopt;
  return std::wstring(units->begin(), units->end());
}
Seen seen(const Stat& st) {
  return {static_cast<std::uint64_t>(st.st_size), static_cast<std::int64_t>(st.st_mtime) * 1000000000};
}
#else
using Stat = struct stat;
Seen seen(const Stat& st) {
  return {static_cast<std::uint64_t>(st.st_size),
          static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}
#endif

// What the system says of a regular file, without opening it; nothing for anything else.
std::optional<Seen> regular(const std::string& path) {
  Stat st{};
#ifdef _WIN32
  const std::optional<std::wstring> name = wide(path);
  if (!name || _wstat64(name->c_str(), &st) != 0) return std::nullopt;
  if ((st.st_mode & _S_IFMT) != _S_IFREG) return std::nullopt;
#else
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
#endif
  return seen(st);
}

// A regular file's bytes, the file already seen to be one, and what the system says of what was opened;
// nothing when it is no longer a regular file, or is larger than `limit`.
std::optional<std::string> read_regular(const std::string& path, std::uint64_t limit, Seen& opened) {
#ifdef _WIN32
  const std::optional<std::wstring> name = wide(path);
  const int fd = name ? _wopen(name->c_str(), _O_RDONLY | _O_BINARY) : -1;
#else
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
#endif
  if (fd < 0) return std::nullopt;
  std::optional<std::string> bytes;
  Stat st{};
#ifdef _WIN32
  const bool ok = _fstat64(fd, &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG;
#else
  const bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
#endif
  if (ok && static_cast<std::uint64_t>(st.st_size) <= limit) {
    opened = seen(st);
    bytes.emplace();
    char piece[65536];
    for (;;) {
#ifdef _WIN32
      const int got = _read(fd, piece, sizeof piece);
#else
      const ssize_t got = read(fd, piece, sizeof piece);
#endif
      if (got <= 0) break;
      bytes->append(piece, static_cast<std::size_t>(got));
      if (bytes->size() > limit) {  // it grew while it was read
        bytes.reset();
        break;
      }
    }
  }
#ifdef _WIN32
  _close(fd);
#else
  close(fd);
#endif
  return bytes;
}

}  // namespace

const std::vector<db::Field>& Structures::fields(const std::string& folder, const std::string& name) {
  static const std::vector<db::Field> kNone;
  if (name.empty() || folder.empty()) return kNone;
  const std::string named = cp1252::to_utf8(name);
  const std::string path = folder + named + "/" + named + ".z04";
  // Asked before opening, and again of what was opened (a pipe would make the open itself wait on Windows).
  const std::optional<Seen> now = regular(path);
  const auto it = held_.find(path);
  if (now && it != held_.end() && it->second.seen == *now) return it->second.fields;
  Seen opened;
  const std::optional<std::string> bytes =
      now && now->size <= kMaxBytes ? read_regular(path, kMaxBytes, opened) : std::nullopt;
  if (!bytes) {
    held_.erase(path);
    return kNone;
  }
  Held& held = held_[path];
  held = {opened, db::decode_structure(*bytes)};
  return held.fields;
}

}  // namespace kal::lsp
