// The files and console of the machine a tool runs on (kalcheck, its language server, kalbd), by UTF-8 path.
// The platform interface is the script's world; these are the person's own files, which the tools read and
// write beside it. One implementation for POSIX systems (Linux and the browser's), one for Windows.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kal::host {

// What the system says of a file: while it stays, a tool may keep what it read from it.
struct Seen {
  std::uint64_t size = 0;
  std::int64_t written = 0;  // the time of writing, in nanoseconds
  bool operator==(const Seen&) const = default;
};

// A regular file, asked of without opening it; nothing for anything else (a folder, a pipe, a device).
std::optional<Seen> regular_file(const std::string& path);
// A regular file's bytes, opened without waiting, with what the system says of what was opened; nothing when
// it is no longer a regular file, or is (or grows while it is read) larger than `limit`.
std::optional<std::string> read_regular_file(const std::string& path, std::uint64_t limit, Seen& opened);

// A symbolic link, or on Windows any reparse point (a junction leads elsewhere just as well) or anything the
// system resolves to another place than its folder and name (Wine shows a link to a file as the file).
bool is_link(const std::filesystem::path& p);
// The file `to` replaced by `from` in one step; Windows refuses while a program has the old file open for a
// moment, so it is asked again for a while.
bool replace_file(const std::filesystem::path& from, const std::filesystem::path& to);

// A file's bytes replaced in one step: written beside it under another name, then put in its place, so that a
// failure midway leaves the file as it was. It keeps its permissions, and a link is written through: the file
// it leads to is replaced, and the link stays.
bool write_whole_file(const std::string& path, std::string_view bytes);

// This program's own file, by UTF-8 path; empty when the system does not say.
std::string own_program();
// Runs a program with these words (the first is its path) on this console, and waits for it: its exit code,
// or nothing when it cannot be started.
std::optional<int> run_and_wait(const std::vector<std::string>& words);

// The command line in UTF-8. Windows gives main() its words in the ANSI code page, where a name the person
// typed may have no place: there they are read as typed, in UTF-16.
std::vector<std::string> command_line(int argc, char** argv);
// The console shows UTF-8 as the text it is (Windows' console otherwise takes it in its own code page).
void utf8_console();
// Standard output writes bytes as given: a text-mode one would make each CR LF a CR CR LF on Windows.
void binary_standard_output();

namespace detail {
// The bytes read(buffer, size) gives until it gives none, or nothing once they pass `limit` (a file that
// grows while it is read). Both systems' readings share it.
template <class Read>
std::optional<std::string> read_all(std::uint64_t limit, Read read) {
  std::string bytes;
  char piece[65536];
  for (long long got; (got = read(piece, sizeof piece)) > 0;) {
    bytes.append(piece, static_cast<std::size_t>(got));
    if (bytes.size() > limit) return std::nullopt;
  }
  return bytes;
}
}  // namespace detail

}  // namespace kal::host
