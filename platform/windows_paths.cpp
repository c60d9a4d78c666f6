#include "platform/windows_paths.h"

#include <vector>

#include "common/cp1252.h"

namespace kal {
namespace {

bool is_separator(char c) {
  return c == '\\' || c == '/';
}

}  // namespace

std::string full_path(std::string_view path, std::string_view current_folder) {
  if (path.size() >= 2 && is_separator(path[0]) && is_separator(path[1])) return std::string(path);
  std::string full;
  if (path.size() >= 2 && path[1] == ':') {
    const bool on_current_drive =
        cp1252::lower(path.substr(0, 1)) == cp1252::lower(current_folder.substr(0, 1));
    const bool rooted = path.size() > 2 && is_separator(path[2]);
    full = rooted || !on_current_drive
               ? std::string(path.substr(0, 2)).append("\\").append(path.substr(rooted ? 3 : 2))
               : std::string(current_folder).append(path.substr(2));
  } else {
    full = std::string(!path.empty() && is_separator(path[0]) ? current_folder.substr(0, 2) : current_folder)
               .append(path);
  }
  std::vector<std::string_view> segments;
  const std::string_view rest = std::string_view(full).substr(2);
  for (std::size_t start = 0; start < rest.size();) {
    std::size_t end = start;
    while (end < rest.size() && !is_separator(rest[end])) ++end;
    const std::string_view segment = rest.substr(start, end - start);
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    start = end + 1;
  }
  std::string out = full.substr(0, 2).append("\\");
  for (std::size_t i = 0; i < segments.size(); ++i) {
    if (i > 0) out += '\\';
    out += segments[i];
  }
  // A path that ends in a separator names a folder, and keeps it.
  const bool folder_path = is_separator(full.back()) || rest.ends_with("\\.") || rest.ends_with("\\..");
  if (folder_path && !segments.empty()) out += '\\';
  return out;
}

bool valid_name(std::string_view path, bool wildcards_allowed) {
  const std::size_t from = path.size() >= 2 && path[1] == ':' ? 2 : 0;
  const char* refused = wildcards_allowed ? "<>:\"|" : "<>:\"|*?";
  std::size_t start = 0;
  for (std::size_t end; (end = path.find('\\', start)) != std::string::npos; start = end + 1)
    if (end - start > 255) return false;
  if (path.size() - start > 255) return false;
  return path.find_first_of(refused, from) == std::string::npos && path.find('\0') == std::string::npos;
}

bool name_matches(std::string_view pattern, std::string_view name) {
  if (pattern == "*.*") pattern = "*";
  if (pattern.empty()) return name.empty();
  if (pattern[0] == '*') {
    for (std::size_t i = 0; i <= name.size(); ++i)
      if (name_matches(pattern.substr(1), name.substr(i))) return true;
    return false;
  }
  return !name.empty() && (pattern[0] == '?' || pattern[0] == name[0]) &&
         name_matches(pattern.substr(1), name.substr(1));
}

}  // namespace kal
