// The program entry of KAL.exe: a windowed program without a console.
#include <windows.h>

#include "common/cp1252.h"
#include "launcher/startup.h"
#include "platform/win32/win32_platform.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  kal::win32::use_extended_precision();
  kal::win32::Win32Platform platform;
  std::wstring tail = kal::win32::command_tail(GetCommandLineW());
  std::string tail_1252 = kal::cp1252::from_utf16(
      std::u16string_view(reinterpret_cast<const char16_t*>(tail.data()), tail.size()));
  return kal::run_program(platform, tail_1252);
}
