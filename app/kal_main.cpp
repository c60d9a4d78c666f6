// The program entry of KAL.exe: a windowed program without a console.
#include <windows.h>

#include "common/cp1252.h"
#include "launcher/startup.h"
#include "platform/win32/win32_platform.h"

namespace {

// Script arithmetic runs in 80-bit extended precision. Windows may start a thread with the x87 unit rounding
// to 53 bits, and only the C runtime's start-up code widens it; setting it here makes the precision this
// program's own decision.
void use_extended_precision() {
  unsigned short control = 0;
  asm volatile("fnstcw %0" : "=m"(control));
  control = static_cast<unsigned short>(control | 0x0300);  // precision control: 64-bit mantissa
  asm volatile("fldcw %0" : : "m"(control));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  use_extended_precision();
  kal::win32::Win32Platform platform;
  std::wstring tail = kal::win32::command_tail(GetCommandLineW());
  std::string tail_1252 = kal::cp1252::from_utf16(
      std::u16string_view(reinterpret_cast<const char16_t*>(tail.data()), tail.size()));
  return kal::run_program(platform, tail_1252);
}
