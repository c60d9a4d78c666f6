// Files and folders kept in memory, with Windows' rules: paths are compared without regard to case, a path
// without a drive or a leading backslash is relative to the current folder, and failures give the error codes
// Windows gives. Drive C:'s root always exists. The tests' platform and the browser's keep their files here.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/files.h"

namespace kal {

class MemoryFiles : public virtual Files {
 public:
  // The running program's full path, and the folder relative paths start from (with a trailing backslash).
  MemoryFiles(std::string own_path, std::string current_folder);

  std::string own_path_value;
  std::string current_folder;
  std::map<char, int> drive_types{{'C', 3}, {'Z', 3}};  // fixed disks
  // Appends and writes fail once the file would grow beyond this, as on a full disk; only part of the bytes
  // is written.
  std::size_t disk_space = SIZE_MAX;
  // How many of the next holds find the file held by another program.
  int others_hold = 0;

  // Putting a file creates the folders above it.
  struct Node {
    std::string path;  // full path as last written, case kept
    std::string bytes;
    std::uint32_t attributes = attribute::kArchive;
    std::uint64_t written = 0;  // the write time: each write of any file moves it on
  };
  void put_file(const std::string& path, std::string bytes, std::uint32_t attributes = attribute::kArchive);
  void put_folder(const std::string& path);
  const std::string* file(const std::string& path) const;
  const Node* node(const std::string& path) const;
  // Every file and folder below a folder (which ends in a backslash), in path order.
  std::vector<Node> nodes_under(const std::string& folder) const;
  // Moves on with every change of any file or folder: a look from outside (the page's file list) asks it
  // before copying anything.
  std::uint64_t changes() const { return clock_ + other_changes_; }

  std::string own_path() override { return own_path_value; }
  std::string current_directory() override { return current_folder; }
  std::optional<std::string> read_file(const std::string& path) override;
  std::unique_ptr<InputFile> open_input(const std::string& path) override;
  bool write_file(const std::string& path, std::string_view bytes) override;
  bool append_file(const std::string& path, std::string_view bytes) override;
  std::optional<FileInfo> file_info(const std::string& path) override;
  ErrorCode hold_file(const std::string& path, std::unique_ptr<HeldFile>& held) override;
  bool rename_file(const std::string& from, const std::string& to) override;
  ErrorCode set_attributes(const std::string& path, std::uint32_t bits) override;
  ErrorCode move_file(const std::string& from, const std::string& to) override;
  ErrorCode copy_file(const std::string& from, const std::string& to) override;
  ErrorCode delete_file(const std::string& path) override;
  ErrorCode create_folder(const std::string& path) override;
  std::optional<std::uint32_t> attributes(const std::string& path) override;
  ErrorCode find_entries(const std::string& pattern,
                         const std::function<bool(const DirectoryEntry&)>& visit) override;
  int drive_type(char letter) override;

 private:
  std::string resolve(const std::string& path) const;
  std::string key(const std::string& path) const;
  bool parent_exists(const std::string& key) const;
  // The file, created when missing, for a write: 0, or Windows' error for a bad name, a missing folder, a
  // folder or a read-only file.
  ErrorCode open_to_write(const std::string& path, Node*& node);
  // The error of a path that names nothing: 2 when its folder exists, 3 when not.
  ErrorCode missing(const std::string& key) const;
  std::map<std::string, Node> files_;  // key: full path lower-cased, without a trailing backslash
  std::set<std::string> held_;         // keys of the files held now
  std::uint64_t clock_ = 0;            // the write time of the last write
  std::uint64_t other_changes_ = 0;    // folders made, renames, moves, deletions and attributes set
};

}  // namespace kal
