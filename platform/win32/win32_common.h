// What every Win32 facet of the platform shares: the Windows headers, the conversions between the core's
// Windows-1252 texts and Windows' UTF-16, and a few handles and helpers. Only the files of platform/win32/
// include it.
#pragma once

// windows.h must come before the other Windows headers.
#include <windows.h>

#include <commdlg.h>
#include <shellapi.h>
#include <timeapi.h>

#include <algorithm>
#include <climits>
#include <string>
#include <string_view>
#include <vector>

#include "common/cp1252.h"
#include "common/halt.h"
#include "platform/win32/win32_platform.h"

namespace kal::win32 {
// wchar_t is UTF-16 on Windows, so the core's char16_t texts pass through unchanged.
inline std::wstring wide(std::string_view text) {
  std::u16string u = cp1252::to_utf16(text);
  return std::wstring(u.begin(), u.end());
}

inline std::string narrow(std::wstring_view text) {
  return cp1252::from_utf16(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

// Windows paths: a NUL inside would silently shorten the name, so such a path names no file.
inline bool usable_path(const std::string& path) {
  return path.find('\0') == std::string::npos;
}

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};

// Windows refuses to write a read-only file; asking first keeps that true where the file system alone would
// let the write through (Wine run by root).
inline bool read_only(const std::wstring& path) {
  const DWORD bits = GetFileAttributesW(path.c_str());
  return bits != INVALID_FILE_ATTRIBUTES && (bits & FILE_ATTRIBUTE_READONLY) != 0;
}

// The dialog, shell and timer libraries are loaded on first use: most scripts need none of them, and loading
// them is most of a start-up's cost under Wine.
template <typename Function>
Function library_function(const wchar_t* library, const char* name) {
  HMODULE module = LoadLibraryW(library);
  return module == nullptr
             ? nullptr
             : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Writes in pieces of at most 1 MB, as WriteFile takes a 32-bit count.
inline bool write_all(HANDLE h, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 20));
    if (!WriteFile(h, bytes.data(), want, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

}  // namespace kal::win32
