#include "platform/win32/win32_platform.h"

// windows.h must come before the other Windows headers.
#include <windows.h>

#include <commdlg.h>
#include <shellapi.h>
#include <timeapi.h>

#include <algorithm>
#include <vector>

#include "common/cp1252.h"
#include "common/halt.h"

namespace kal::win32 {
namespace {

// wchar_t is UTF-16 on Windows, so the core's char16_t texts pass through unchanged.
std::wstring wide(std::string_view text) {
  std::u16string u = cp1252::to_utf16(text);
  return std::wstring(u.begin(), u.end());
}

std::string narrow(std::wstring_view text) {
  return cp1252::from_utf16(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

// Windows paths: a NUL inside would silently shorten the name, so such a path names no file.
bool usable_path(const std::string& path) {
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

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

}  // namespace

// Sleep(1) lasts a whole timer tick, up to 15.6 ms, which would make every loop through a label fifteen times
// slower than a millisecond a round. A high-resolution timer waits about 1 ms; without one, the system timer
// is set to 1 ms for the life of the program.
Win32Platform::Win32Platform() {
  timer_ = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
  if (timer_ == nullptr) fine_sleep_ = timeBeginPeriod(1) == TIMERR_NOERROR;
}

Win32Platform::~Win32Platform() {
  if (timer_ != nullptr) CloseHandle(timer_);
  if (fine_sleep_) timeEndPeriod(1);
}

std::string Win32Platform::own_path() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n < buffer.size()) return narrow(std::wstring_view(buffer.data(), n));
    buffer.resize(buffer.size() * 2);
  }
}

Answer Win32Platform::message_box(std::string_view title, std::string_view text, Buttons buttons) {
  UINT style = buttons == Buttons::YesNo ? MB_YESNO : MB_OK;
  int result = MessageBoxW(nullptr, wide(text).c_str(), wide(title).c_str(), style);
  if (buttons == Buttons::Ok) return Answer::Ok;
  return result == IDYES ? Answer::Yes : Answer::No;
}

std::string Win32Platform::open_file_dialog(const OpenFileRequest& request) {
  // The filter is "description NUL pattern NUL NUL".
  std::wstring filter = wide(request.filter_description);
  filter.push_back(L'\0');
  filter += wide(request.filter_pattern);
  filter.push_back(L'\0');
  std::wstring title = wide(request.title);
  std::wstring folder = wide(request.initial_folder);
  std::wstring ext = wide(request.default_extension);

  std::vector<wchar_t> file(request.max_path + 1, L'\0');
  std::wstring name = wide(request.initial_name).substr(0, request.max_path);
  std::copy(name.begin(), name.end(), file.begin());

  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = nullptr;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  ofn.lpstrTitle = title.c_str();
  ofn.lpstrDefExt = ext.c_str();
  ofn.Flags = (request.file_must_exist ? OFN_FILEMUSTEXIST : 0) | (request.resizable ? OFN_ENABLESIZING : 0) |
              (request.explorer_style ? OFN_EXPLORER : 0) | (request.hide_read_only ? OFN_HIDEREADONLY : 0) |
              (request.keep_current_folder ? OFN_NOCHANGEDIR : 0);
  if (!GetOpenFileNameW(&ofn)) return {};
  return narrow(file.data());
}

ScreenSize Win32Platform::screen_size() {
  RECT r{};
  GetWindowRect(GetDesktopWindow(), &r);
  return {r.right, r.bottom};
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
  if (!usable_path(path)) return false;
  Handle h(CreateFileW(wide(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.ok()) return false;
  while (!bytes.empty()) {
    DWORD written = 0;
    DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 20));
    if (!WriteFile(h.get(), bytes.data(), want, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
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

class Win32InputFile final : public InputFile {
 public:
  explicit Win32InputFile(HANDLE h) : handle_(h) {}
  std::size_t read(char* buffer, std::size_t size) override {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (!ReadFile(handle_.get(), buffer, want, &got, nullptr)) return 0;
    return got;
  }

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

bool Win32Platform::serve_window_messages() {
  MSG message;
  bool served = false;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) end_program();
    TranslateMessage(&message);
    DispatchMessageW(&message);
    served = true;
  }
  return served;
}

bool Win32Platform::shell_open(const std::string& path) {
  if (!usable_path(path)) return false;
  auto result =
      reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", wide(path).c_str(), L"", L"", SW_SHOWNORMAL));
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
  if (ShellExecuteExW(&info) && info.hProcess != nullptr) CloseHandle(info.hProcess);
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
