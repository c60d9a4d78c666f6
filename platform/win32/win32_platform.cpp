// The Win32 platform's own life: the timer its label pauses use, and what it gives back at the end.
#include "platform/win32/gdi_surface.h"

namespace kal::win32 {

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

void use_extended_precision() {
  unsigned short control = 0;
  asm volatile("fnstcw %0" : "=m"(control));
  control = static_cast<unsigned short>(control | 0x0300);  // precision control: 64-bit mantissa
  asm volatile("fldcw %0" : : "m"(control));
}

}  // namespace kal::win32
