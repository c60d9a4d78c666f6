// What the host's Windows files share inside their implementation: wide names and calls only.
#pragma once

#include <optional>
#include <string>

namespace kal::host::detail {

// Where a file or folder really is, as the system resolves every link on the way; nothing when it is not
// there.
std::optional<std::wstring> final_path(const wchar_t* path);
// `from` put in the place of `to`; Windows refuses while a program has the old file open for a moment, so
// it is asked again for a while.
bool move_replacing(const wchar_t* from, const wchar_t* to);

}  // namespace kal::host::detail
