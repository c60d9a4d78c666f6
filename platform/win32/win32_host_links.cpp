// The host's links and replacements on Windows, by std::filesystem paths: apart from the other files'
// functions, so that a tool that names none of these (kalcheck) links without std::filesystem and the locale
// machinery its code conversions bring.
#include <windows.h>

#include "platform/host_files.h"
#include "platform/win32/win32_host_paths.h"

namespace kal::host {

bool is_link(const std::filesystem::path& p) {
  const DWORD bits = GetFileAttributesW(p.c_str());
  if (bits == INVALID_FILE_ATTRIBUTES) return false;
  if ((bits & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return true;
  const std::optional<std::wstring> self = detail::final_path(p.c_str()),
                                    folder = detail::final_path(p.parent_path().c_str());
  if (!self || !folder) return false;
  const std::wstring expected = *folder + L"\\" + p.filename().wstring();
  return CompareStringOrdinal(self->c_str(), static_cast<int>(self->size()), expected.c_str(),
                              static_cast<int>(expected.size()), TRUE) != CSTR_EQUAL;
}

bool replace_file(const std::filesystem::path& from, const std::filesystem::path& to) {
  return detail::move_replacing(from.c_str(), to.c_str());
}

}  // namespace kal::host
