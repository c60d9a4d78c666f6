// The host's files on Windows: paths in UTF-16, as the system names them.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
// after windows.h
#include <shellapi.h>

#include <algorithm>
#include <cstdio>

#include "common/cp1252.h"
#include "platform/host_files.h"
#include "platform/win32/win32_host_paths.h"

namespace kal::host {
namespace {

std::optional<std::wstring> wide(const std::string& path) {
  const std::optional<std::u16string> units = cp1252::utf16_from_utf8(path);
  if (!units) return std::nullopt;
  return std::wstring(units->begin(), units->end());
}

// UTF-16 from the system as UTF-8, the tools' encoding.
std::string utf8(std::wstring_view text) {
  const int n = static_cast<int>(text.size());
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), n, nullptr, 0, nullptr, nullptr);
  std::string out(bytes > 0 ? static_cast<std::size_t>(bytes) : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), n, out.data(), bytes, nullptr, nullptr);
  return out;
}

Seen seen(const struct _stat64& st) {
  return {static_cast<std::uint64_t>(st.st_size), static_cast<std::int64_t>(st.st_mtime) * 1000000000};
}

}  // namespace

namespace detail {

std::optional<std::wstring> final_path(const wchar_t* p) {
  const HANDLE handle = CreateFileW(p, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  std::wstring path(1024, L'\0');
  const DWORD length = GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), 0);
  CloseHandle(handle);
  if (length == 0 || length >= path.size()) return std::nullopt;
  path.resize(length);
  return path;
}

bool move_replacing(const wchar_t* from, const wchar_t* to) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    Sleep(100);
  }
  return false;
}

}  // namespace detail

std::optional<Seen> regular_file(const std::string& path) {
  struct _stat64 st {};
  const std::optional<std::wstring> name = wide(path);
  if (!name || _wstat64(name->c_str(), &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) return std::nullopt;
  return seen(st);
}

std::optional<std::string> read_regular_file(const std::string& path, std::uint64_t limit, Seen& opened) {
  const std::optional<std::wstring> name = wide(path);
  const int fd = name ? _wopen(name->c_str(), _O_RDONLY | _O_BINARY) : -1;
  if (fd < 0) return std::nullopt;
  std::optional<std::string> bytes;
  struct _stat64 st {};
  if (_fstat64(fd, &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG &&
      static_cast<std::uint64_t>(st.st_size) <= limit) {
    opened = seen(st);
    bytes = detail::read_all(
        limit, [fd](char* piece, std::size_t size) { return _read(fd, piece, static_cast<unsigned>(size)); });
  }
  _close(fd);
  return bytes;
}

bool write_whole_file(const std::string& path, std::string_view bytes) {
  std::optional<std::wstring> name = wide(path);
  if (!name) return false;
  // Wide names and calls only: std::filesystem would bring its code conversions' locale machinery along.
  if (const DWORD bits = GetFileAttributesW(name->c_str());
      bits != INVALID_FILE_ATTRIBUTES && (bits & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    if (std::optional<std::wstring> target = detail::final_path(name->c_str())) name = std::move(target);
  const std::wstring beside = *name + L".kal-nuevo";
  const int fd = _wopen(beside.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) return false;
  bool ok = true;
  for (std::size_t done = 0; ok && done < bytes.size();) {
    const int n = _write(fd, bytes.data() + done,
                         static_cast<unsigned>(std::min<std::size_t>(bytes.size() - done, 1 << 30)));
    ok = n > 0;
    if (ok) done += static_cast<std::size_t>(n);
  }
  ok = _commit(fd) == 0 && ok;
  ok = _close(fd) == 0 && ok;
  // The file's attributes (hidden, read-only...) go with it: a read-only one is refused, as it should be.
  if (ok) {
    const DWORD attributes = GetFileAttributesW(name->c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
      SetFileAttributesW(beside.c_str(), attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0)
      if (detail::move_replacing(beside.c_str(), name->c_str())) return true;
  }
  _wunlink(beside.c_str());
  return false;
}

std::string own_program() {
  std::wstring path(32768, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  return utf8(std::wstring_view(path).substr(0, n < path.size() ? n : 0));
}

std::optional<int> run_and_wait(const std::vector<std::string>& words) {
  // Each word quoted as the C runtime splits a command line again: backslashes before a quote doubled.
  std::wstring line;
  for (const std::string& word : words) {
    const std::optional<std::wstring> w = wide(word);
    if (!w) return std::nullopt;
    if (!line.empty()) line += L' ';
    line += L'"';
    std::size_t backslashes = 0;
    for (const wchar_t c : *w) {
      if (c == L'\\') {
        ++backslashes;
        continue;
      }
      line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
      backslashes = 0;
      line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (words.empty() || !CreateProcessW(wide(words[0])->c_str(), line.data(), nullptr, nullptr, TRUE, 0,
                                       nullptr, nullptr, &startup, &process))
    return std::nullopt;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  const bool got = GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return got ? std::optional<int>(static_cast<int>(code)) : std::nullopt;
}

std::vector<std::string> command_line(int argc, char** argv) {
  std::vector<std::string> words(argv, argv + argc);
  int count = 0;
  LPWSTR* typed = CommandLineToArgvW(GetCommandLineW(), &count);
  if (typed == nullptr) return words;
  words.clear();
  for (int i = 0; i < count; ++i) words.push_back(utf8(typed[i]));
  LocalFree(typed);
  return words;
}

void utf8_console() {
  SetConsoleOutputCP(CP_UTF8);
}

void binary_standard_output() {
  // C++ streams write through C's (they are kept in step with it), so flushing C's flushes both; naming
  // std::cout here would link every console tool with the streams' locale machinery.
  std::fflush(stdout);
  _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace kal::host
