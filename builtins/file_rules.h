// The rules of the file functions that do not touch the system: what a failure is called, how a text file
// splits into lines, which directory entries a listing shows. Where a path points is values/file_names.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "values/file_names.h"

namespace kal {

// The error number a script sees for a Windows error code.
int error_number(ErrorCode code);

// Lines of a text file, read in pieces: a carriage return ends a line and a line feed right after it is
// skipped; a lone line feed stays in its line; Ctrl-Z ends the line and the file.
class LineReader {
 public:
  explicit LineReader(InputFile& file) : file_(file) {}

  // The next line, of which only the first `keep` characters are kept; false when none is left. Unless the
  // whole line is wanted (to go on to the lines after it), reading stops once `keep` characters are there.
  bool next(std::string& line, std::size_t keep, bool whole_line = true);
  bool at_end();

 private:
  bool fill();

  InputFile& file_;
  char buffer_[65536];
  std::size_t size_ = 0, position_ = 0;
  bool ended_ = false;      // Ctrl-Z or the last byte was read
  bool skip_feed_ = false;  // a carriage return ended the last line
};

// All lines joined without separators, as far as `keep` characters: the first line always, then the others
// while the file has more.
std::string read_joined_lines(InputFile& file, std::size_t keep);
// Line n (from 1); the empty text when n is below 1 or beyond the last line.
std::string read_line(InputFile& file, std::int64_t n, std::size_t keep);

// What the listings show: never "." and "..", nothing hidden or of the system; files, or folders.
bool listed_as_file(const DirectoryEntry& entry);
bool listed_as_folder(const DirectoryEntry& entry);

}  // namespace kal
