// The Win32 platform's clock, screen and shell, and the serving of the program's windows.
#include "platform/win32/win32_common.h"

namespace kal::win32 {

ScreenSize Win32Platform::screen_size() {
  RECT r{};
  GetWindowRect(GetDesktopWindow(), &r);
  return {r.right, r.bottom};
}

LocalTime Win32Platform::local_time() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return {st.wYear, st.wMonth, st.wDay, st.wDayOfWeek, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

void Win32Platform::pause_milliseconds(int ms) {
  if (timer_ != nullptr) {
    LARGE_INTEGER due;
    due.QuadPart = -10000LL * ms;  // relative, in 100-nanosecond units
    if (SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE) &&
        WaitForSingleObject(timer_, INFINITE) == WAIT_OBJECT_0)
      return;
  }
  Sleep(static_cast<DWORD>(ms));
}

bool Win32Platform::serve_one_message() {
  MSG message;
  if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    stop_if_window_closed();
    return false;
  }
  if (message.message == WM_QUIT) end_program();
  // Keys of a graphics window (Tab, Alt+F4) go through its dialog handling.
  bool handled = false;
  for (void* window : windows_)
    if (!handled && IsWindow(static_cast<HWND>(window)))
      handled = IsDialogMessageW(static_cast<HWND>(window), &message) != 0;
  if (!handled) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  stop_if_window_closed();
  return true;
}

bool Win32Platform::shell_open(const std::string& path) {
  if (!usable_path(path)) return false;
  auto shell_execute = library_function<HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT)>(
      L"shell32.dll", "ShellExecuteW");
  if (shell_execute == nullptr) return false;
  auto result =
      reinterpret_cast<INT_PTR>(shell_execute(nullptr, L"open", wide(path).c_str(), L"", L"", SW_SHOWNORMAL));
  return result > 32;
}

namespace {

std::wstring environment_variable(const wchar_t* name) {
  DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
  if (n == 0) return {};
  std::wstring value(n, L'\0');
  n = GetEnvironmentVariableW(name, value.data(), n);
  value.resize(n);
  return value;
}

bool file_exists(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The command interpreter named by "comspec"; without one, cmd.exe or command.com of the system folder,
// which is then recorded in "comspec" for the rest of the process.
std::wstring command_interpreter() {
  std::wstring comspec = environment_variable(L"comspec");
  if (!comspec.empty()) return comspec;
  wchar_t buffer[MAX_PATH + 1];
  UINT n = GetSystemDirectoryW(buffer, MAX_PATH + 1);
  std::wstring folder(buffer, n <= MAX_PATH ? n : 0);
  std::size_t first = folder.find_first_not_of(L' ');
  folder = first == std::wstring::npos ? std::wstring()
                                       : folder.substr(first, folder.find_last_not_of(L' ') - first + 1);
  if (!folder.ends_with(L'\\')) folder += L'\\';
  if (file_exists(folder + L"cmd.exe"))
    comspec = folder + L"cmd.exe";
  else if (file_exists(folder + L"command.com"))
    comspec = folder + L"command.com";
  SetEnvironmentVariableW(L"comspec", comspec.c_str());
  return comspec;
}

}  // namespace

void Win32Platform::start_command_interpreter(std::string_view parameters) {
  std::wstring file = command_interpreter();
  std::wstring params = wide(parameters);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpFile = file.c_str();
  info.lpParameters = params.c_str();
  info.nShow = SW_HIDE;
  auto execute = library_function<BOOL(WINAPI*)(SHELLEXECUTEINFOW*)>(L"shell32.dll", "ShellExecuteExW");
  if (execute != nullptr && execute(&info) && info.hProcess != nullptr) CloseHandle(info.hProcess);
}

std::wstring command_tail(const wchar_t* command_line) {
  const wchar_t* p = command_line;
  if (p == nullptr) return {};
  // The program name ends at the closing quote when it starts with one, else at the first blank.
  if (*p == L'"') {
    ++p;
    while (*p != L'\0' && *p != L'"') ++p;
    if (*p == L'"') ++p;
  } else {
    while (*p != L'\0' && *p != L' ' && *p != L'\t') ++p;
  }
  while (*p == L' ' || *p == L'\t') ++p;
  return p;
}

}  // namespace kal::win32
