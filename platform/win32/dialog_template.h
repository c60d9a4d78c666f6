// Dialog templates built in memory, DWORD-aligned records of 16-bit words: the input dialog and the graphics
// window are both dialogs made this way.
#pragma once

#include "platform/win32/win32_common.h"

namespace kal::win32 {

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

// Predefined control classes, and the controls' identifiers.
inline constexpr WORD kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082;
inline constexpr int kInputEdit = 101, kInputPrompt = 102, kDrawingControl = 1001;

}  // namespace kal::win32
