#include "values/file_names.h"

namespace kal {

std::string resolve_path(std::string_view program_folder, std::string_view path) {
  if (path.size() >= 2 && path[1] == ':') return std::string(path);
  std::string out(program_folder);
  out += path;
  return out;
}

bool has_wildcards(std::string_view path) {
  return path.find_first_of("*?") != std::string_view::npos;
}

std::string_view folder_of_pattern(std::string_view pattern) {
  const std::size_t mark = pattern.find_last_of("\\/:");
  return mark == std::string_view::npos ? std::string_view{} : pattern.substr(0, mark + 1);
}

}  // namespace kal
