// The platform's files and folders, in Windows' terms: full Windows paths, Windows error codes and attribute
// bits. Failures are reported, never thrown.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kal {

// A Windows error code: 0 for success, otherwise what the system reported (2 file not found, 5 access
// denied, 183 already exists...).
using ErrorCode = std::uint32_t;

// File attribute bits, as Windows numbers them.
namespace attribute {
inline constexpr std::uint32_t kReadOnly = 1;
inline constexpr std::uint32_t kHidden = 2;
inline constexpr std::uint32_t kSystem = 4;
inline constexpr std::uint32_t kVolumeLabel = 8;
inline constexpr std::uint32_t kDirectory = 16;
inline constexpr std::uint32_t kArchive = 32;
inline constexpr std::uint32_t kNormal = 128;  // what Windows reports for a file with none of the others
}  // namespace attribute

// What the system knows of a file or folder without opening it.
struct FileInfo {
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;        // 0 for a folder
  std::uint64_t write_time = 0;  // when it was last written, in the system's ticks
  bool operator==(const FileInfo&) const = default;
};

// One entry of a directory search.
struct DirectoryEntry {
  std::string name;  // the long name, without its folder
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;
};

// A file open for reading, closed when destroyed.
class InputFile {
 public:
  virtual ~InputFile() = default;
  // Up to `size` bytes; 0 at the end of the file or when reading fails.
  virtual std::size_t read(char* buffer, std::size_t size) = 0;
  // Goes to a byte offset from the start; false when it cannot.
  virtual bool seek(std::uint64_t offset) = 0;
  // Reads until `size` bytes are in or the file ends; how many came.
  std::size_t read_fully(char* buffer, std::size_t size) {
    std::size_t got = 0;
    for (std::size_t n; got < size && (n = read(buffer + got, size - got)) != 0;) got += n;
    return got;
  }
};

// A file held for one read-then-write step that no other program can split: other programs may read it
// meanwhile, but none may write it or hold it. Released when destroyed.
class HeldFile {
 public:
  virtual ~HeldFile() = default;
  virtual std::uint64_t size() = 0;
  // Up to `size` bytes from a byte offset; fewer at the end of the file or when reading fails.
  virtual std::size_t read_at(std::uint64_t offset, char* buffer, std::size_t size) = 0;
  // All the bytes at a byte offset, in one write; false when not all of them were written.
  virtual bool write_at(std::uint64_t offset, std::string_view bytes) = 0;
  // Cuts the file back to a length.
  virtual bool truncate(std::uint64_t size) = 0;
};

// What Windows answers while another program holds a file, or a part of it.
inline constexpr ErrorCode kSharingViolation = 32;
inline constexpr ErrorCode kLockViolation = 33;

class Files {
 public:
  virtual ~Files() = default;

  // The process: the full path of the running executable, and the folder it was started in.
  virtual std::string own_path() = 0;
  virtual std::string current_directory() = 0;

  // Files and folders. Paths are full Windows paths.
  virtual std::optional<std::string> read_file(const std::string& path) = 0;
  // nullptr when the file cannot be opened.
  virtual std::unique_ptr<InputFile> open_input(const std::string& path) = 0;
  // Creates the file, or empties it first, and writes the bytes.
  virtual bool write_file(const std::string& path, std::string_view bytes) = 0;
  // Appends at the end, creating the file when missing.
  virtual bool append_file(const std::string& path, std::string_view bytes) = 0;
  // A file's or folder's attributes, length and last write, when it exists: one question where a statement
  // needs to know several of them.
  virtual std::optional<FileInfo> file_info(const std::string& path) = 0;
  // Opens a file to read and write it, creating it when missing, and holds it (see HeldFile); 0, or the error
  // when it cannot (kSharingViolation while another program holds it).
  virtual ErrorCode hold_file(const std::string& path, std::unique_ptr<HeldFile>& file) = 0;
  // The program's own rename: also when only the letter case changes.
  virtual bool rename_file(const std::string& from, const std::string& to) = 0;
  // Exactly these attribute bits; 0 makes a normal file.
  virtual ErrorCode set_attributes(const std::string& path, std::uint32_t bits) = 0;
  // Renames or moves a file or folder; an existing destination is not replaced.
  virtual ErrorCode move_file(const std::string& from, const std::string& to) = 0;
  // Copies a file, replacing an existing destination.
  virtual ErrorCode copy_file(const std::string& from, const std::string& to) = 0;
  virtual ErrorCode delete_file(const std::string& path) = 0;
  // One folder, whose parent must exist.
  virtual ErrorCode create_folder(const std::string& path) = 0;
  // The attributes of a file or folder, when it exists.
  virtual std::optional<std::uint32_t> attributes(const std::string& path) = 0;
  // Visits the entries matching a pattern ("*" and "?" allowed in its last part) in the order the system
  // gives them, "." and ".." included, until `visit` returns false. The error of a search that finds nothing,
  // else 0.
  virtual ErrorCode find_entries(const std::string& pattern,
                                 const std::function<bool(const DirectoryEntry&)>& visit) = 0;
  // The type of the drive with this letter's root: 2 removable, 3 fixed, 4 network, 5 CD, 1 none...
  virtual int drive_type(char letter) = 0;
};

}  // namespace kal
