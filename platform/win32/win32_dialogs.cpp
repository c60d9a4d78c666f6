// The Win32 platform's dialogs: message boxes, the open-file dialog and the input dialog (built in memory).
#include "platform/win32/dialog_template.h"

namespace kal::win32 {

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

namespace {

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

}  // namespace kal::win32
