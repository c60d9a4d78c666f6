#include "builtins/file_rules.h"

#include <algorithm>
#include <array>

namespace kal {

namespace {

// Error numbers of the Windows codes 0 to 39; every code from 40 on gives 75.
constexpr std::array<std::uint8_t, 40> kErrorNumbers = {
    0,   75, 53, 76, 67, 70, 57, 241, 7,  241,  // 0-9
    241, 51, 51, 51, 7,  68, 75, 74,  53, 70,   // 10-19
    68,  71, 51, 72, 51, 72, 72, 72,  72, 72,   // 20-29
    72,  72, 70, 70, 72, 72, 70, 75,  62, 61,   // 30-39
};

}  // namespace

int error_number(ErrorCode code) {
  if (code < kErrorNumbers.size()) return kErrorNumbers[code];
  switch (code) {
    case 87:
      return 5;
    case 112:
      return 61;
    default:
      return 75;
  }
}

bool LineReader::fill() {
  if (position_ < size_) return true;
  if (ended_) return false;
  size_ = file_.read(buffer_, sizeof buffer_);
  position_ = 0;
  if (size_ == 0) ended_ = true;
  return size_ != 0;
}

bool LineReader::at_end() {
  if (skip_feed_ && fill() && buffer_[position_] == '\n') ++position_;
  skip_feed_ = false;
  return !fill();
}

bool LineReader::next(std::string& line, std::size_t keep, bool whole_line) {
  line.clear();
  if (at_end()) return false;
  while (fill()) {
    if (!whole_line && line.size() >= keep) return true;
    const char* start = buffer_ + position_;
    const char* end = buffer_ + size_;
    const char* stop = std::find_if(start, end, [](char c) { return c == '\r' || c == '\x1A'; });
    if (line.size() < keep) line.append(start, std::min<std::size_t>(stop - start, keep - line.size()));
    position_ = static_cast<std::size_t>(stop - buffer_);
    if (stop == end) continue;
    ++position_;
    if (*stop == '\x1A') {
      ended_ = true;
      position_ = size_;
    } else {
      skip_feed_ = true;
    }
    return true;
  }
  return true;  // the last line, without a line break
}

std::string read_joined_lines(InputFile& file, std::size_t keep) {
  LineReader lines(file);
  std::string out, line;
  // The first line is read even from an empty file (it is then empty).
  do {
    if (!lines.next(line, keep - out.size(), false)) break;
    out += line;
  } while (out.size() < keep && !lines.at_end());
  return out;
}

std::string read_line(InputFile& file, std::int64_t n, std::size_t keep) {
  if (n < 1) return {};
  LineReader lines(file);
  std::string line;
  for (std::int64_t i = 1; lines.next(line, keep, i < n); ++i)
    if (i == n) return line;
  return {};
}

namespace {

bool is_dot_entry(const DirectoryEntry& entry) {
  return entry.name == "." || entry.name == "..";
}

constexpr std::uint32_t kUnlisted = attribute::kHidden | attribute::kSystem;

}  // namespace

bool listed_as_file(const DirectoryEntry& entry) {
  return !is_dot_entry(entry) && (entry.attributes & (kUnlisted | attribute::kDirectory)) == 0;
}

bool listed_as_folder(const DirectoryEntry& entry) {
  return !is_dot_entry(entry) && (entry.attributes & attribute::kDirectory) != 0 &&
         (entry.attributes & kUnlisted) == 0;
}

}  // namespace kal
