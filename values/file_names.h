// Where a file name points, and whether it is a search pattern: rules the file functions and the graphics
// commands share.
#pragma once

#include <string>
#include <string_view>

namespace kal {

// A path whose second character is not ":" lies in the program folder (which ends in a backslash).
std::string resolve_path(std::string_view program_folder, std::string_view path);

bool has_wildcards(std::string_view path);

// The folder part of a search pattern, up to and including its last "\", "/" or ":" (empty when none).
std::string_view folder_of_pattern(std::string_view pattern);

}  // namespace kal
