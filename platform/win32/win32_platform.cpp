#include "platform/win32/win32_platform.h"

// windows.h must come before the other Windows headers.
#include <windows.h>

#include <commdlg.h>
#include <shellapi.h>
#include <timeapi.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "common/cp1252.h"
#include "common/halt.h"
#include "graphics/drawing_state.h"

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

// Windows refuses to write a read-only file; asking first keeps that true where the file system alone would
// let the write through (Wine run by root).
bool read_only(const std::wstring& path) {
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
bool write_all(HANDLE h, std::string_view bytes) {
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

}  // namespace

// Sleep(1) lasts a whole timer tick, up to 15.6 ms, which would make every loop through a label fifteen times
// slower than a millisecond a round. A high-resolution timer waits about 1 ms; without one, the system timer
// is set to 1 ms for the life of the program.
Win32Platform::Win32Platform() {
  timer_ = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
  if (timer_ == nullptr) {
    auto begin_period = library_function<MMRESULT(WINAPI*)(UINT)>(L"winmm.dll", "timeBeginPeriod");
    fine_sleep_ = begin_period != nullptr && begin_period(1) == TIMERR_NOERROR;
  }
}

Win32Platform::~Win32Platform() {
  surfaces_.clear();  // their device contexts give the fonts back first
  for (const auto& f : fonts_) DeleteObject(static_cast<HFONT>(f.second));
  if (timer_ != nullptr) CloseHandle(timer_);
  if (fine_sleep_) {
    auto end_period = library_function<MMRESULT(WINAPI*)(UINT)>(L"winmm.dll", "timeEndPeriod");
    if (end_period != nullptr) end_period(1);
  }
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
  stop_if_window_closed();
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
  auto open_dialog = library_function<BOOL(WINAPI*)(OPENFILENAMEW*)>(L"comdlg32.dll", "GetOpenFileNameW");
  if (open_dialog == nullptr || !open_dialog(&ofn)) return {};
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
  if (!usable_path(path) || read_only(wide(path))) return false;
  Handle h(CreateFileW(wide(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.ok()) return false;
  return write_all(h.get(), bytes);
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

namespace kal::win32 {

// ---------------------------------------------------------------------------------------------------------
// Dialog templates built in memory: DWORD-aligned records of 16-bit words.

namespace {

class DialogTemplate {
 public:
  void dword(DWORD v) {
    word(LOWORD(v));
    word(HIWORD(v));
  }
  void word(WORD v) { words_.push_back(v); }
  void text(std::wstring_view s) {
    for (wchar_t c : s) word(static_cast<WORD>(c));
    word(0);
  }
  void align() {
    if (words_.size() % 2 != 0) word(0);
  }
  // DLGTEMPLATE: style, extended style, item count, position and size in dialog units; no menu, the
  // standard dialog class, the title.
  void dialog(DWORD style, DWORD ex_style, WORD items, short x, short y, short cx, short cy,
              std::wstring_view title) {
    dword(style);
    dword(ex_style);
    word(items);
    for (short v : {x, y, cx, cy}) word(static_cast<WORD>(v));
    word(0);
    word(0);
    text(title);
  }
  // DLGITEMTEMPLATE of a predefined class (0x0080 button, 0x0081 edit, 0x0082 static), without creation data.
  void item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom, std::wstring_view title) {
    align();
    dword(style);
    dword(0);
    for (short v : {x, y, cx, cy}) word(static_cast<WORD>(v));
    word(id);
    word(0xFFFF);
    word(atom);
    text(title);
    word(0);
  }
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  std::vector<WORD> words_;  // new[] storage is aligned for any type, so the start is DWORD-aligned
};

constexpr WORD kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082;
constexpr int kInputEdit = 101, kInputPrompt = 102, kDrawingControl = 1001;

INT_PTR CALLBACK input_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      // The top-left corner of the screen, whatever centring the template asks for.
      SetWindowPos(dialog, nullptr, 1, 1, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      HWND edit = GetDlgItem(dialog, kInputEdit);
      SetFocus(edit);
      SendMessageW(edit, EM_SETSEL, 0, -1);
      return TRUE;
    }
    case WM_COMMAND: {
      auto* result = reinterpret_cast<std::wstring*>(GetWindowLongPtrW(dialog, DWLP_USER));
      if (LOWORD(wparam) == IDOK) {
        wchar_t buffer[256] = {};
        GetWindowTextW(GetDlgItem(dialog, kInputEdit), buffer, 256);
        *result = buffer;
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        result->clear();
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

std::string Win32Platform::input_dialog() {
  DialogTemplate t;
  t.dialog(0x80C80880, 0, 4, 65, 65, 150, 100, L"KAL");
  t.item(0x50810080, 4, 82, 140, 12, kInputEdit, kEdit, L"");
  t.item(0x50010001, 104, 5, 40, 10, IDOK, kButton, L"OK");
  t.item(0x50010000, 104, 19, 40, 10, IDCANCEL, kButton, L"Cancel");
  t.item(0x50000000, 5, 5, 95, 72, kInputPrompt, kStatic, L"Introduce tu dato");
  std::wstring result;
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), nullptr, input_procedure,
                          reinterpret_cast<LPARAM>(&result));
  stop_if_window_closed();
  return narrow(result);
}

// ---------------------------------------------------------------------------------------------------------
// Drawing surfaces: a bitmap in a memory device context; a window surface also has the control that shows it.

struct Win32Platform::GdiSurface {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ first_bitmap = nullptr;
  HGDIOBJ first_font = nullptr;          // the device context's own font, for text without a chosen font
  int break_extra = 0, break_count = 0;  // the justification in force, spread over the spaces of each text
  HWND control = nullptr;
  ~GdiSurface() {
    if (dc != nullptr) {
      if (first_font != nullptr) SelectObject(dc, first_font);
      SelectObject(dc, first_bitmap);
      DeleteDC(dc);
    }
    if (bitmap != nullptr) DeleteObject(bitmap);
  }
};

namespace {

WNDPROC g_static_procedure = nullptr;

// The drawing control paints itself from its surface's bitmap, so whatever vergraf copied stays visible when
// the window is covered and uncovered.
LRESULT CALLBACK surface_procedure(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_ERASEBKGND) return 1;
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(control, &ps);
    auto source = reinterpret_cast<HDC>(GetWindowLongPtrW(control, GWLP_USERDATA));
    if (source != nullptr) {
      const RECT& r = ps.rcPaint;
      BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, source, r.left, r.top, SRCCOPY);
    }
    EndPaint(control, &ps);
    return 0;
  }
  return CallWindowProcW(g_static_procedure, control, message, wparam, lparam);
}

INT_PTR CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<Win32Platform*>(GetWindowLongPtrW(window, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(window, DWLP_USER, lparam);
      return TRUE;
    case WM_NCACTIVATE:
      if (self != nullptr) self->window_activation(wparam != 0);
      return FALSE;
    case WM_COMMAND:
      return LOWORD(wparam) == kDrawingControl ? TRUE : FALSE;
    case WM_CLOSE:
      // A dialog's default handling would only hide the window; closing it is the user's way to end.
      DestroyWindow(window);
      return TRUE;
    case WM_DESTROY:
      if (self != nullptr) self->window_destroyed();
      return TRUE;
    default:
      return FALSE;
  }
}

std::unique_ptr<Win32Platform::GdiSurface> make_bitmap_surface(int width, int height) {
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HDC dc = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  if (bitmap == nullptr || dc == nullptr) {
    if (bitmap != nullptr) DeleteObject(bitmap);
    if (dc != nullptr) DeleteDC(dc);
    return nullptr;
  }
  auto s = std::make_unique<Win32Platform::GdiSurface>();
  s->dc = dc;
  s->bitmap = bitmap;
  s->first_bitmap = SelectObject(dc, bitmap);
  return s;
}

}  // namespace

void Win32Platform::window_activation(bool active) {
  if (!active) {
    remembered_focus_ = GetFocus();
  } else if (remembered_focus_ != nullptr) {
    SetFocus(static_cast<HWND>(remembered_focus_));
    remembered_focus_ = nullptr;
  }
}

void Win32Platform::window_destroyed() {
  window_closed_ = true;
  PostQuitMessage(0);
}

void Win32Platform::stop_if_window_closed() {
  if (window_closed_) end_program();
}

Colour Win32Platform::system_colour(SystemColour which) {
  return GetSysColor(which == SystemColour::WindowText ? COLOR_WINDOWTEXT : COLOR_BTNFACE);
}

SurfaceId Win32Platform::open_window(int width, int height) {
  constexpr DWORD kStyle = 0x94C800D4, kExStyle = 0x10080;
  DialogTemplate t;
  // Shown only once it has its size and its control; the style ends up the same.
  t.dialog(kStyle & ~WS_VISIBLE, kExStyle, 0, 0, 0, 0, 0, L"Ventana Grafica KAL");
  t.word(8);
  t.text(L"MS Shell Dlg");
  HINSTANCE instance = GetModuleHandleW(nullptr);
  HWND window = CreateDialogIndirectParamW(instance, t.get(), nullptr, window_procedure,
                                           reinterpret_cast<LPARAM>(this));
  if (window == nullptr) return 0;
  windows_.push_back(window);
  RECT outer{0, 0, width, height};
  AdjustWindowRectEx(&outer, kStyle, FALSE, kExStyle);
  SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOZORDER | SWP_NOACTIVATE);

  HWND control =
      CreateWindowExW(0, L"STATIC", L"", 0x50800100, 0, 0, width - 1, height - 1, window,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kDrawingControl)), instance, nullptr);
  RECT inside{};
  GetClientRect(control, &inside);
  auto surface = make_bitmap_surface(std::max<int>(inside.right, 1), std::max<int>(inside.bottom, 1));
  if (control != nullptr && surface != nullptr) {
    surface->control = control;
    SetWindowLongPtrW(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(surface->dc));
    auto previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(surface_procedure)));
    if (g_static_procedure == nullptr) g_static_procedure = previous;
  }
  ShowWindow(window, SW_SHOWNORMAL);
  if (surface == nullptr) return 0;
  surfaces_[next_surface_] = std::move(surface);
  return next_surface_++;
}

SurfaceId Win32Platform::create_picture(int width, int height) {
  if (width <= 0 || height <= 0) return 0;
  auto surface = make_bitmap_surface(width, height);
  if (surface == nullptr) return 0;
  surfaces_[next_surface_] = std::move(surface);
  return next_surface_++;
}

void Win32Platform::discard_picture(SurfaceId picture) {
  auto it = surfaces_.find(picture);
  if (it != surfaces_.end() && it->second->control == nullptr) surfaces_.erase(it);
}

void Win32Platform::fill(SurfaceId surface, int width, int height, Colour colour) {
  auto it = surfaces_.find(surface);
  if (it == surfaces_.end()) return;
  RECT r{0, 0, width, height};
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(it->second->dc, &r, brush);
  DeleteObject(brush);
  if (it->second->control != nullptr) InvalidateRect(it->second->control, nullptr, FALSE);
}

void Win32Platform::show_picture(SurfaceId picture, SurfaceId window, int width, int height) {
  auto target = surfaces_.find(window);
  if (target == surfaces_.end()) return;
  auto source = surfaces_.find(picture);
  if (source != surfaces_.end())
    BitBlt(target->second->dc, 0, 0, width, height, source->second->dc, 0, 0, SRCCOPY);
  if (target->second->control != nullptr) {
    InvalidateRect(target->second->control, nullptr, FALSE);
    UpdateWindow(target->second->control);
  }
}

std::vector<Colour> Win32Platform::pixels(SurfaceId picture, int width, int height) {
  std::vector<Colour> out(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
  auto it = surfaces_.find(picture);
  if (it == surfaces_.end() || out.empty()) return out;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // rows from the top
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  GdiSurface& s = *it->second;
  // A bitmap is read while no device context holds it.
  SelectObject(s.dc, s.first_bitmap);
  GetDIBits(s.dc, s.bitmap, 0, static_cast<UINT>(height), out.data(), &info, DIB_RGB_COLORS);
  SelectObject(s.dc, s.bitmap);
  // The rows hold 0x00RRGGBB; a colour is 0x00BBGGRR.
  for (Colour& c : out) c = ((c >> 16) & 0xFF) | (c & 0xFF00) | ((c & 0xFF) << 16);
  return out;
}

bool Win32Platform::write_file(const std::string& path, std::string_view bytes) {
  if (!usable_path(path) || read_only(wide(path))) return false;
  Handle h(CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.ok()) return false;
  return write_all(h.get(), bytes);
}

}  // namespace kal::win32

namespace kal::win32 {

// ---------------------------------------------------------------------------------------------------------
// Drawing: GDI on the surface's memory device context, set up from the core's drawing state at every call.

namespace {

// Selects a GDI object for the length of one drawing call and deletes it afterwards.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object, bool owned) : dc_(dc), object_(object), owned_(owned) {
    previous_ = SelectObject(dc, object);
  }
  ~Selected() {
    SelectObject(dc_, previous_);
    if (owned_) DeleteObject(object_);
  }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ object_;
  HGDIOBJ previous_ = nullptr;
  bool owned_;
};

HPEN solid_pen(const DrawingState& state, Colour colour) {
  return CreatePen(PS_SOLID, state.pen_width, colour);
}

void use_background(HDC dc, const DrawingState& state) {
  SetBkColor(dc, state.background);
  SetBkMode(dc, state.transparent ? TRANSPARENT : OPAQUE);
}

}  // namespace

void* Win32Platform::font_for(const FontSpec& font) {
  for (const auto& [made, handle] : fonts_)
    if (made == font) return handle;
  // A script that makes a new font in a loop must not use up the system's objects.
  constexpr std::size_t kKeptFonts = 64;
  if (fonts_.size() >= kKeptFonts) {
    for (const auto& f : fonts_) DeleteObject(static_cast<HFONT>(f.second));
    fonts_.clear();
  }
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  LOGFONTW lf{};
  lf.lfHeight = font_height(font, dpi);
  lf.lfEscapement = lf.lfOrientation = font.escapement;
  lf.lfWeight = font.weight;
  lf.lfItalic = font.italic;
  lf.lfUnderline = font.underline;
  lf.lfStrikeOut = font.strike_out;
  lf.lfCharSet = DEFAULT_CHARSET;
  std::wstring face = wide(font.face).substr(0, LF_FACESIZE - 1);
  std::copy(face.begin(), face.end(), lf.lfFaceName);
  HFONT handle = CreateFontIndirectW(&lf);
  fonts_.emplace_back(font, handle);
  return handle;
}

void* Win32Platform::text_context(SurfaceId surface, const DrawingState& state) {
  auto it = surfaces_.find(surface);
  if (it == surfaces_.end()) return nullptr;
  GdiSurface& s = *it->second;
  if (s.first_font == nullptr) s.first_font = GetCurrentObject(s.dc, OBJ_FONT);
  HGDIOBJ font = state.font ? static_cast<HGDIOBJ>(font_for(*state.font)) : nullptr;
  SelectObject(s.dc, font != nullptr ? font : s.first_font);
  SetTextColor(s.dc, state.foreground);
  use_background(s.dc, state);
  return s.dc;
}

void Win32Platform::draw_line(SurfaceId surface, const DrawingState& state, Point from, Point to,
                              Colour colour) {
  auto it = surfaces_.find(surface);
  if (it == surfaces_.end()) return;
  HDC dc = it->second->dc;
  Selected pen(dc, solid_pen(state, colour), true);
  MoveToEx(dc, from.x, from.y, nullptr);
  LineTo(dc, to.x, to.y);
}

void Win32Platform::set_pixel(SurfaceId surface, Point at, Colour colour) {
  auto it = surfaces_.find(surface);
  if (it != surfaces_.end()) SetPixelV(it->second->dc, at.x, at.y, colour);
}

void Win32Platform::draw_round_box(SurfaceId surface, const DrawingState& state, Rect box, int corner_width,
                                   int corner_height, Colour outline, const Fill& fill) {
  auto it = surfaces_.find(surface);
  if (it == surfaces_.end()) return;
  HDC dc = it->second->dc;
  HBRUSH brush = fill.kind == Fill::Kind::Hollow  ? static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))
                 : fill.kind == Fill::Kind::Hatch ? CreateHatchBrush(fill.hatch, fill.colour)
                                                  : CreateSolidBrush(fill.colour);
  use_background(dc, state);  // between the lines of a hatch
  Selected pen(dc, solid_pen(state, outline), true);
  Selected filler(dc, brush, fill.kind != Fill::Kind::Hollow);
  RoundRect(dc, box.left, box.top, box.right, box.bottom, corner_width, corner_height);
}

void Win32Platform::draw_text(SurfaceId surface, const DrawingState& state, Point at, std::string_view text) {
  auto dc = static_cast<HDC>(text_context(surface, state));
  if (dc == nullptr) return;
  const std::wstring w = wide(text);
  const int n = static_cast<int>(w.size());
  GdiSurface& s = *surfaces_.at(surface);
  const int spaces = static_cast<int>(std::count(w.begin(), w.end(), L' '));
  if (s.break_count <= 0 || s.break_extra == 0 || spaces == 0) {
    TextOutW(dc, at.x, at.y, w.c_str(), n);
    return;
  }
  // The justification spread over the spaces by hand: not every GDI applies SetTextJustification to a
  // memory device context, and each advance given to ExtTextOut is exactly what Windows would use.
  std::vector<INT> ends(static_cast<std::size_t>(n));
  SIZE size{};
  GetTextExtentExPointW(dc, w.c_str(), n, INT_MAX, nullptr, ends.data(), &size);
  std::vector<INT> advances(static_cast<std::size_t>(n));
  int space = 0;
  for (int i = 0; i < n; ++i) {
    advances[i] = ends[i] - (i == 0 ? 0 : ends[i - 1]);
    if (w[i] == L' ') {
      advances[i] += s.break_extra / s.break_count + (space < s.break_extra % s.break_count ? 1 : 0);
      ++space;
    }
  }
  ExtTextOutW(dc, at.x, at.y, 0, nullptr, w.c_str(), static_cast<UINT>(n), advances.data());
}

int Win32Platform::text_width(SurfaceId surface, const DrawingState& state, std::string_view text) {
  auto dc = static_cast<HDC>(text_context(surface, state));
  SIZE size{};
  const std::wstring w = wide(text);
  if (dc != nullptr) GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &size);
  return size.cx;
}

int Win32Platform::text_fit(SurfaceId surface, const DrawingState& state, std::string_view text,
                            int max_width) {
  auto dc = static_cast<HDC>(text_context(surface, state));
  if (dc == nullptr) return static_cast<int>(text.size());
  const std::wstring w = wide(text);
  INT fit = 0;
  SIZE size{};
  if (!GetTextExtentExPointW(dc, w.c_str(), static_cast<int>(w.size()), std::max(max_width, 0), &fit, nullptr,
                             &size))
    return 0;
  return fit;
}

int Win32Platform::line_height(SurfaceId surface, const DrawingState& state) {
  auto dc = static_cast<HDC>(text_context(surface, state));
  TEXTMETRICW tm{};
  if (dc == nullptr || !GetTextMetricsW(dc, &tm)) return 0;
  return tm.tmHeight + tm.tmExternalLeading;
}

void Win32Platform::set_text_justification(SurfaceId surface, int extra, int breaks) {
  auto it = surfaces_.find(surface);
  if (it == surfaces_.end()) return;
  it->second->break_extra = extra;
  it->second->break_count = breaks;
}

bool Win32Platform::draw_bitmap_file(SurfaceId surface, const std::string& path, Point at, int width,
                                     int height) {
  auto it = surfaces_.find(surface);
  if (it == surfaces_.end() || !usable_path(path)) return false;
  auto bitmap = static_cast<HBITMAP>(LoadImageW(nullptr, wide(path).c_str(), IMAGE_BITMAP, width, height,
                                                LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  if (bitmap == nullptr) return false;
  HDC source = CreateCompatibleDC(it->second->dc);
  HGDIOBJ previous = SelectObject(source, bitmap);
  BitBlt(it->second->dc, at.x, at.y, width, height, source, 0, 0, SRCCOPY);
  SelectObject(source, previous);
  DeleteDC(source);
  DeleteObject(bitmap);
  return true;
}

}  // namespace kal::win32
