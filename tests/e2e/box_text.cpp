// The case driver's helper under Wine: prints, in UTF-8, the whole text of the message box that stands with
// the title given, for Wine's trace keeps only the first 300 or so characters of a box's text. A box's text
// is its dialog's static control with the longest text (the icon's control has none). Exit code 1: no such
// box. With "--window" it only makes a hidden window and ends: exit code 3 says this prefix cannot make
// windows.
#include <windows.h>

#include <string>

namespace {

struct Search {
  std::wstring title;
  std::wstring text;
};

BOOL CALLBACK child(HWND control, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  wchar_t kind[16] = {};
  GetClassNameW(control, kind, 16);
  if (lstrcmpiW(kind, L"Static") != 0) return TRUE;
  const int length = GetWindowTextLengthW(control);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), length + 1)));
  if (text.size() > search->text.size()) search->text = text;
  return TRUE;
}

BOOL CALLBACK top(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  wchar_t kind[16] = {}, title[256] = {};
  GetClassNameW(window, kind, 16);
  GetWindowTextW(window, title, 256);
  if (lstrcmpW(kind, L"#32770") == 0 && IsWindowVisible(window) && search->title == title)
    EnumChildWindows(window, child, data);
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  if (lstrcmpW(argv[1], L"--window") == 0) {
    HWND window =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    if (window == nullptr) return 3;
    DestroyWindow(window);
    return 0;
  }
  Search search{argv[1], {}};
  EnumWindows(top, reinterpret_cast<LPARAM>(&search));
  if (search.text.empty()) return 1;
  const int size = WideCharToMultiByte(CP_UTF8, 0, search.text.data(), static_cast<int>(search.text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, search.text.data(), static_cast<int>(search.text.size()), bytes.data(),
                      size, nullptr, nullptr);
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
            nullptr);
  return 0;
}
