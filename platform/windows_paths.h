// Windows' rules for paths and names, as the in-memory disk keeps them for the browser and the tests.
#pragma once

#include <string>
#include <string_view>

namespace kal {

// The full path as Windows makes it: a path without a drive is relative to the current folder (a full path
// ending in "\\"), and one that starts with a backslash to its drive's root; "/" is "\\", runs of separators
// are one, "." segments go and ".." takes the one before it away (never the root). A path that ends in a
// separator names a folder and keeps it. A network path is left as it is.
std::string full_path(std::string_view path, std::string_view current_folder);

// False for a path holding a character Windows refuses in a name (the drive's ":" aside; "*" and "?" unless
// wildcards are allowed) or a NUL, or a name over 255 characters.
bool valid_name(std::string_view path, bool wildcards_allowed);

// "*" any run of characters, "?" any one; "*.*" is every name, as on Windows. Case counts: both are given in
// small letters.
bool name_matches(std::string_view pattern, std::string_view name);

}  // namespace kal
