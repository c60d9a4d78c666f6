#include "lsp/structures.h"

#include <optional>

#include "common/cp1252.h"
#include "platform/host_files.h"

namespace kal::lsp {

const std::vector<db::Field>& Structures::fields(const std::string& folder, const std::string& name) {
  static const std::vector<db::Field> kNone;
  if (name.empty() || folder.empty()) return kNone;
  const std::string named = cp1252::to_utf8(name);
  const std::string path = folder + named + "/" + named + ".z04";
  // Asked before opening, and again of what was opened (a pipe would make the open itself wait on Windows).
  const std::optional<host::Seen> now = host::regular_file(path);
  const auto it = held_.find(path);
  if (now && it != held_.end() && it->second.seen == *now) return it->second.fields;
  host::Seen opened;
  const std::optional<std::string> bytes =
      now && now->size <= kMaxBytes ? host::read_regular_file(path, kMaxBytes, opened) : std::nullopt;
  if (!bytes) {
    held_.erase(path);
    return kNone;
  }
  Held& held = held_[path];
  held = {opened, db::decode_structure(*bytes)};
  return held.fields;
}

}  // namespace kal::lsp
