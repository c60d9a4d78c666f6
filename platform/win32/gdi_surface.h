// A drawing surface of the Win32 platform: a bitmap in a memory device context; a window surface also has the
// control that shows it.
#pragma once

#include "platform/win32/win32_common.h"

namespace kal::win32 {

struct Win32Platform::GdiSurface {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ first_bitmap = nullptr;
  HGDIOBJ first_font = nullptr;  // the device context's own font, for text without a chosen font
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

}  // namespace kal::win32
