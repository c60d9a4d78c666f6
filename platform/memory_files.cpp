#include "platform/memory_files.h"

#include <algorithm>
#include <cstdint>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

#include "common/cp1252.h"
#include "platform/windows_paths.h"

namespace kal {

MemoryFiles::MemoryFiles(std::string own_path, std::string current_folder_path)
    : own_path_value(std::move(own_path)), current_folder(std::move(current_folder_path)) {
  put_folder(current_folder);
}

std::string MemoryFiles::resolve(const std::string& path) const {
  return full_path(path, current_folder);
}

std::string MemoryFiles::key(const std::string& path) const {
  std::string k = cp1252::lower(resolve(path));
  if (k.size() > 3 && k.ends_with('\\')) k.pop_back();
  return k;
}

namespace {

constexpr ErrorCode kFileNotFound = 2, kPathNotFound = 3, kAccessDenied = 5, kAlreadyExists = 183,
                    kInvalidName = 123;

std::string parent_of(const std::string& key) {
  const std::size_t mark = key.rfind('\\');
  return mark == std::string::npos ? std::string() : key.substr(0, mark);
}

bool is_root(const std::string& key) {
  return key == "c:" || key == "c:\\";
}

// Reads the file's bytes in place: nothing writes a file while a statement reads it.
class StringInput final : public InputFile {
 public:
  explicit StringInput(std::string_view bytes) : bytes_(bytes) {}
  std::size_t read(char* buffer, std::size_t size) override {
    const std::size_t n = std::min(size, bytes_.size() - position_);
    std::copy_n(bytes_.data() + position_, n, buffer);
    position_ += n;
    return n;
  }
  bool seek(std::uint64_t offset) override {
    position_ = static_cast<std::size_t>(std::min<std::uint64_t>(offset, bytes_.size()));
    return true;
  }

 private:
  std::string_view bytes_;
  std::size_t position_ = 0;
};

// Works on the file's bytes in memory; the hold ends when it is destroyed.
class HeldBytes final : public HeldFile {
 public:
  HeldBytes(MemoryFiles::Node& node, std::uint64_t& clock, const std::size_t& disk_space,
            std::set<std::string>& held, std::string key)
      : node_(node), clock_(clock), disk_space_(disk_space), held_(held), key_(std::move(key)) {
    held_.insert(key_);
  }
  ~HeldBytes() override { held_.erase(key_); }
  std::uint64_t size() override { return node_.bytes.size(); }
  std::size_t read_at(std::uint64_t offset, char* buffer, std::size_t size) override {
    if (offset >= node_.bytes.size()) return 0;
    const std::size_t n = std::min(size, node_.bytes.size() - static_cast<std::size_t>(offset));
    std::copy_n(node_.bytes.data() + offset, n, buffer);
    return n;
  }
  // As on a full disk, only the bytes that fit are written.
  bool write_at(std::uint64_t offset, std::string_view bytes) override {
    const std::size_t at = static_cast<std::size_t>(offset);
    const std::size_t room = disk_space_ > at ? disk_space_ - at : 0;
    const std::size_t n = std::min(bytes.size(), room);
    if (node_.bytes.size() < at + n) node_.bytes.resize(at + n);
    node_.bytes.replace(at, n, bytes.substr(0, n));
    node_.written = ++clock_;
    return n == bytes.size();
  }
  bool truncate(std::uint64_t size) override {
    if (size < node_.bytes.size()) node_.bytes.resize(static_cast<std::size_t>(size));
    node_.written = ++clock_;
    return true;
  }

 private:
  MemoryFiles::Node& node_;
  std::uint64_t& clock_;
  const std::size_t& disk_space_;
  std::set<std::string>& held_;
  std::string key_;
};

}  // namespace

bool MemoryFiles::parent_exists(const std::string& key) const {
  const std::string parent = parent_of(key);
  if (is_root(parent)) return true;
  auto it = files_.find(parent);
  return it != files_.end() && (it->second.attributes & attribute::kDirectory) != 0;
}

ErrorCode MemoryFiles::missing(const std::string& key) const {
  return parent_exists(key) ? kFileNotFound : kPathNotFound;
}

void MemoryFiles::put_folder(const std::string& path) {
  const std::string k = key(path);
  if (k.empty() || is_root(k)) return;
  if (!parent_exists(k)) put_folder(parent_of(resolve(path)));
  std::string shown = resolve(path);
  if (shown.ends_with('\\')) shown.pop_back();
  files_[k] = Node{shown, {}, attribute::kDirectory};
  ++other_changes_;
}

void MemoryFiles::put_file(const std::string& path, std::string bytes, std::uint32_t attributes) {
  const std::string k = key(path);
  if (!parent_exists(k)) put_folder(parent_of(resolve(path)));
  files_[k] = Node{resolve(path), std::move(bytes), attributes, ++clock_};
}

const MemoryFiles::Node* MemoryFiles::node(const std::string& path) const {
  auto it = files_.find(key(path));
  return it == files_.end() ? nullptr : &it->second;
}

const std::string* MemoryFiles::file(const std::string& path) const {
  const Node* n = node(path);
  return n == nullptr || (n->attributes & attribute::kDirectory) != 0 ? nullptr : &n->bytes;
}

std::vector<MemoryFiles::Node> MemoryFiles::nodes_under(const std::string& folder) const {
  std::vector<Node> out;
  const std::string prefix = cp1252::lower(folder);
  for (const auto& [k, n] : files_)
    if (k.starts_with(prefix))
      out.push_back(Node{n.path.substr(prefix.size()), n.bytes, n.attributes, n.written});
  return out;
}

std::optional<std::string> MemoryFiles::read_file(const std::string& path) {
  const std::string* bytes = file(path);
  if (bytes == nullptr) return std::nullopt;
  return *bytes;
}

std::unique_ptr<InputFile> MemoryFiles::open_input(const std::string& path) {
  const std::string* bytes = file(path);
  if (bytes == nullptr) return nullptr;
  return std::make_unique<StringInput>(*bytes);
}

std::optional<FileInfo> MemoryFiles::file_info(const std::string& path) {
  const Node* n = node(path);
  if (n == nullptr) return std::nullopt;
  const bool folder = (n->attributes & attribute::kDirectory) != 0;
  return FileInfo{n->attributes, folder ? 0 : n->bytes.size(), n->written};
}

ErrorCode MemoryFiles::open_to_write(const std::string& path, Node*& node) {
  const std::string k = key(path);
  if (!valid_name(resolve(path), false)) return kInvalidName;
  if (!parent_exists(k)) return kPathNotFound;
  auto it = files_.find(k);
  if (it == files_.end()) it = files_.emplace(k, Node{resolve(path), {}, attribute::kArchive}).first;
  if ((it->second.attributes & (attribute::kDirectory | attribute::kReadOnly)) != 0) return kAccessDenied;
  node = &it->second;
  return 0;
}

ErrorCode MemoryFiles::hold_file(const std::string& path, std::unique_ptr<HeldFile>& held) {
  const std::string k = key(path);
  if (held_.count(k) != 0) return kSharingViolation;
  if (others_hold > 0) {
    --others_hold;
    return kSharingViolation;
  }
  Node* node = nullptr;
  if (const ErrorCode error = open_to_write(path, node)) return error;
  held = std::make_unique<HeldBytes>(*node, clock_, disk_space, held_, k);
  return 0;
}

bool MemoryFiles::append_file(const std::string& path, std::string_view bytes) {
  Node* node = nullptr;
  if (open_to_write(path, node) != 0) return false;
  const std::size_t room = disk_space > node->bytes.size() ? disk_space - node->bytes.size() : 0;
  node->bytes.append(bytes.substr(0, room));
  node->written = ++clock_;
  return bytes.size() <= room;
}

bool MemoryFiles::rename_file(const std::string& from, const std::string& to) {
  auto it = files_.find(key(from));
  if (it == files_.end()) return false;
  const std::string to_key = key(to);
  if (to_key != it->first && files_.count(to_key) != 0) return false;
  Node moved{resolve(to), std::move(it->second.bytes), it->second.attributes, it->second.written};
  files_.erase(it);
  files_[to_key] = std::move(moved);
  ++other_changes_;
  return true;
}

ErrorCode MemoryFiles::set_attributes(const std::string& path, std::uint32_t bits) {
  if (!valid_name(resolve(path), false)) return kInvalidName;
  auto it = files_.find(key(path));
  if (it == files_.end()) return missing(key(path));
  const std::uint32_t kept = it->second.attributes & attribute::kDirectory;
  it->second.attributes = kept | (bits == 0 && kept == 0 ? attribute::kNormal : bits);
  ++other_changes_;
  return 0;
}

ErrorCode MemoryFiles::move_file(const std::string& from, const std::string& to) {
  if (!valid_name(resolve(from), false) || !valid_name(resolve(to), false)) return kInvalidName;
  const std::string from_key = key(from), to_key = key(to);
  if (files_.count(from_key) == 0) return missing(from_key);
  if (files_.count(to_key) != 0) return kAlreadyExists;
  if (!parent_exists(to_key)) return kPathNotFound;
  // The entry and, for a folder, everything in it.
  std::vector<std::pair<std::string, Node>> moved;
  for (auto it = files_.begin(); it != files_.end();) {
    if (it->first == from_key || it->first.starts_with(from_key + "\\")) {
      std::string rest = it->first.substr(from_key.size());
      Node n = std::move(it->second);
      n.path = resolve(to) + n.path.substr(n.path.size() - rest.size());
      moved.emplace_back(to_key + rest, std::move(n));
      it = files_.erase(it);
    } else {
      ++it;
    }
  }
  for (auto& [k, n] : moved) files_[k] = std::move(n);
  ++other_changes_;
  return 0;
}

ErrorCode MemoryFiles::copy_file(const std::string& from, const std::string& to) {
  if (!valid_name(resolve(from), false) || !valid_name(resolve(to), false)) return kInvalidName;
  auto source = files_.find(key(from));
  if (source == files_.end()) return missing(key(from));
  if (!parent_exists(key(to))) return kPathNotFound;
  auto target = files_.find(key(to));
  const std::uint32_t refused = attribute::kDirectory | attribute::kReadOnly;
  if ((source->second.attributes & attribute::kDirectory) != 0) return kAccessDenied;
  if (target != files_.end() && (target->second.attributes & refused) != 0) return kAccessDenied;
  files_[key(to)] = Node{resolve(to), source->second.bytes, source->second.attributes, ++clock_};
  return 0;
}

ErrorCode MemoryFiles::delete_file(const std::string& path) {
  if (!valid_name(resolve(path), false)) return kInvalidName;
  auto it = files_.find(key(path));
  if (it == files_.end()) return missing(key(path));
  if ((it->second.attributes & (attribute::kDirectory | attribute::kReadOnly)) != 0) return kAccessDenied;
  files_.erase(it);
  ++other_changes_;
  return 0;
}

ErrorCode MemoryFiles::create_folder(const std::string& path) {
  if (!valid_name(resolve(path), false)) return kInvalidName;
  const std::string k = key(path);
  if (is_root(k) || files_.count(k) != 0) return kAlreadyExists;
  if (!parent_exists(k)) return kPathNotFound;
  put_folder(path);
  return 0;
}

std::optional<std::uint32_t> MemoryFiles::attributes(const std::string& path) {
  if (!valid_name(resolve(path), false)) return std::nullopt;
  if (is_root(key(path))) return attribute::kDirectory;
  const Node* n = node(path);
  if (n == nullptr) return std::nullopt;
  return n->attributes;
}

// The matches are gathered first, so the visitor may delete what it is shown. A folder other than the root
// begins with "." and "..", as on Windows.
ErrorCode MemoryFiles::find_entries(const std::string& pattern,
                                    const std::function<bool(const DirectoryEntry&)>& visit) {
  const std::string full = resolve(pattern);
  if (!valid_name(full, true)) return kInvalidName;
  const std::size_t mark = full.rfind('\\');
  if (mark == std::string::npos) return kPathNotFound;
  const std::string folder = cp1252::lower(full.substr(0, mark));
  const std::string name_pattern = cp1252::lower(full.substr(mark + 1));
  const bool root = is_root(folder);
  if (!root) {
    auto it = files_.find(folder);
    if (it == files_.end() || (it->second.attributes & attribute::kDirectory) == 0) return kPathNotFound;
  }
  if (name_pattern.empty()) return kFileNotFound;
  std::vector<DirectoryEntry> found;
  if (!root) {
    for (const char* dots : {".", ".."})
      if (name_matches(name_pattern, dots)) found.push_back({dots, attribute::kDirectory, 0});
  }
  const std::string prefix = folder + "\\";
  for (auto it = files_.lower_bound(prefix); it != files_.end() && it->first.starts_with(prefix); ++it) {
    const std::string name = it->first.substr(prefix.size());
    if (name.find('\\') != std::string::npos || !name_matches(name_pattern, name)) continue;
    const Node& n = it->second;
    found.push_back({n.path.substr(n.path.size() - name.size()), n.attributes, n.bytes.size()});
  }
  if (found.empty()) return kFileNotFound;
  for (const DirectoryEntry& entry : found)
    if (!visit(entry)) break;
  return 0;
}

int MemoryFiles::drive_type(char letter) {
  auto it = drive_types.find(letter);
  return it == drive_types.end() ? 1 : it->second;
}

bool MemoryFiles::write_file(const std::string& path, std::string_view bytes) {
  const std::string k = key(path);
  if (!valid_name(resolve(path), false) || !parent_exists(k)) return false;
  auto it = files_.find(k);
  if (it != files_.end() && (it->second.attributes & (attribute::kDirectory | attribute::kReadOnly)) != 0)
    return false;
  files_[k] = Node{resolve(path), std::string(bytes), attribute::kArchive, ++clock_};
  return true;
}

}  // namespace kal
