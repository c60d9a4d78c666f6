// The Win32 platform's files and folders: wide-character paths, Windows' error codes.
#include "platform/win32/win32_common.h"

namespace kal::win32 {
namespace {

// Writes and appends differ only in how the file is opened.
bool write_whole(const std::string& path, std::string_view bytes, DWORD access, DWORD disposition) {
  if (!usable_path(path) || read_only(wide(path))) return false;
  Handle h(CreateFileW(wide(path).c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr));
  return h.ok() && write_all(h.get(), bytes);
}

}  // namespace

std::string Win32Platform::own_path() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n < buffer.size()) return narrow(std::wstring_view(buffer.data(), n));
    buffer.resize(buffer.size() * 2);
  }
}

std::optional<std::string> Win32Platform::read_file(const std::string& path) {
  if (!usable_path(path)) return std::nullopt;
  Handle h(CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.ok()) return std::nullopt;
  std::string bytes;
  char chunk[65536];
  DWORD got = 0;
  while (ReadFile(h.get(), chunk, sizeof(chunk), &got, nullptr) && got > 0) bytes.append(chunk, got);
  return bytes;
}

bool Win32Platform::append_file(const std::string& path, std::string_view bytes) {
  return write_whole(path, bytes, FILE_APPEND_DATA, OPEN_ALWAYS);
}

bool Win32Platform::rename_file(const std::string& from, const std::string& to) {
  if (!usable_path(from) || !usable_path(to)) return false;
  std::wstring wfrom = wide(from);
  std::wstring wto = wide(to);
  if (from == to || cp1252::lower(from) != cp1252::lower(to))
    return MoveFileW(wfrom.c_str(), wto.c_str()) != 0;
  // A rename that only changes letter case (kal.exe -> KAL.exe) names one file twice: some file systems take
  // it as a rename onto itself and keep the old spelling. A temporary name makes it two real renames.
  std::wstring temporary = wfrom + L".kal-rename";
  if (!MoveFileW(wfrom.c_str(), temporary.c_str())) return false;
  if (MoveFileW(temporary.c_str(), wto.c_str())) return true;
  MoveFileW(temporary.c_str(), wfrom.c_str());
  return false;
}

namespace {

// One read of up to `size` bytes; 0 at the end of the file or when reading fails.
std::size_t read_some(HANDLE h, char* buffer, std::size_t size) {
  DWORD got = 0;
  const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
  if (!ReadFile(h, buffer, want, &got, nullptr)) return 0;
  return got;
}

bool go_to(HANDLE h, std::uint64_t offset) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(h, to, nullptr, FILE_BEGIN) != 0;
}

class Win32InputFile final : public InputFile {
 public:
  explicit Win32InputFile(HANDLE h) : handle_(h) {}
  std::size_t read(char* buffer, std::size_t size) override { return read_some(handle_.get(), buffer, size); }
  bool seek(std::uint64_t offset) override { return go_to(handle_.get(), offset); }

 private:
  Handle handle_;
};

// The error of the call that just failed; a path Windows could not be given is an invalid name.
ErrorCode failure() {
  return static_cast<ErrorCode>(GetLastError());
}
constexpr ErrorCode kInvalidName = ERROR_INVALID_NAME;

ErrorCode outcome(BOOL ok) {
  return ok ? 0 : failure();
}

}  // namespace

std::unique_ptr<InputFile> Win32Platform::open_input(const std::string& path) {
  if (!usable_path(path)) return nullptr;
  HANDLE h = CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32InputFile>(h);
}

std::optional<FileInfo> Win32Platform::file_info(const std::string& path) {
  if (!usable_path(path)) return std::nullopt;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(wide(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  auto join = [](DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; };
  return FileInfo{data.dwFileAttributes, join(data.nFileSizeHigh, data.nFileSizeLow),
                  join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime)};
}

namespace {

class Win32HeldFile final : public HeldFile {
 public:
  explicit Win32HeldFile(HANDLE h) : handle_(h) {}
  std::uint64_t size() override {
    LARGE_INTEGER size;
    return GetFileSizeEx(handle_.get(), &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
  }
  std::size_t read_at(std::uint64_t offset, char* buffer, std::size_t size) override {
    if (!go_to(handle_.get(), offset)) return 0;
    std::size_t got = 0;
    for (std::size_t n; got < size && (n = read_some(handle_.get(), buffer + got, size - got)) != 0;)
      got += n;
    return got;
  }
  bool write_at(std::uint64_t offset, std::string_view bytes) override {
    return go_to(handle_.get(), offset) && write_all(handle_.get(), bytes);
  }
  bool truncate(std::uint64_t size) override {
    return go_to(handle_.get(), size) && SetEndOfFile(handle_.get()) != 0;
  }

 private:
  Handle handle_;
};

}  // namespace

ErrorCode Win32Platform::hold_file(const std::string& path, std::unique_ptr<HeldFile>& file) {
  if (!usable_path(path)) return kInvalidName;
  if (read_only(wide(path))) return ERROR_ACCESS_DENIED;
  // Shared for reading only: while it is held, other programs can read the file but not open it to write.
  HANDLE h = CreateFileW(wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return failure();
  file = std::make_unique<Win32HeldFile>(h);
  return 0;
}

std::string Win32Platform::current_directory() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (n < buffer.size()) return narrow(std::wstring_view(buffer.data(), n));
    buffer.resize(n);
  }
}

ErrorCode Win32Platform::set_attributes(const std::string& path, std::uint32_t bits) {
  if (!usable_path(path)) return kInvalidName;
  return outcome(SetFileAttributesW(wide(path).c_str(), bits == 0 ? FILE_ATTRIBUTE_NORMAL : bits));
}

ErrorCode Win32Platform::move_file(const std::string& from, const std::string& to) {
  if (!usable_path(from) || !usable_path(to)) return kInvalidName;
  return outcome(MoveFileW(wide(from).c_str(), wide(to).c_str()));
}

ErrorCode Win32Platform::copy_file(const std::string& from, const std::string& to) {
  if (!usable_path(from) || !usable_path(to)) return kInvalidName;
  if (read_only(wide(to))) return ERROR_ACCESS_DENIED;
  return outcome(CopyFileW(wide(from).c_str(), wide(to).c_str(), FALSE));
}

ErrorCode Win32Platform::delete_file(const std::string& path) {
  if (!usable_path(path)) return kInvalidName;
  return outcome(DeleteFileW(wide(path).c_str()));
}

ErrorCode Win32Platform::create_folder(const std::string& path) {
  if (!usable_path(path)) return kInvalidName;
  return outcome(CreateDirectoryW(wide(path).c_str(), nullptr));
}

std::optional<std::uint32_t> Win32Platform::attributes(const std::string& path) {
  if (!usable_path(path)) return std::nullopt;
  const DWORD bits = GetFileAttributesW(wide(path).c_str());
  if (bits == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return bits;
}

ErrorCode Win32Platform::find_entries(const std::string& pattern,
                                      const std::function<bool(const DirectoryEntry&)>& visit) {
  if (!usable_path(pattern)) return kInvalidName;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(wide(pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return failure();
  do {
    DirectoryEntry entry{narrow(found.cFileName), found.dwFileAttributes,
                         (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow};
    if (!visit(entry)) break;
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return 0;
}

int Win32Platform::drive_type(char letter) {
  const wchar_t root[] = {static_cast<wchar_t>(letter), L':', L'\\', L'\0'};
  return static_cast<int>(GetDriveTypeW(root));
}

bool Win32Platform::write_file(const std::string& path, std::string_view bytes) {
  return write_whole(path, bytes, GENERIC_WRITE, CREATE_ALWAYS);
}

}  // namespace kal::win32
