// The Win32 platform's drawing surfaces: the graphics window and off-screen pictures, drawn with GDI.
#include "platform/win32/dialog_template.h"
#include "platform/win32/gdi_surface.h"

namespace kal::win32 {

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

void Win32Platform::draw_text(SurfaceId surface, const DrawingState& state, Point at, std::string_view text,
                              int extra) {
  auto dc = static_cast<HDC>(text_context(surface, state));
  if (dc == nullptr) return;
  const std::wstring w = wide(text);
  const int n = static_cast<int>(w.size());
  const int spaces = static_cast<int>(std::count(w.begin(), w.end(), L' '));
  if (extra == 0 || spaces == 0) {
    TextOutW(dc, at.x, at.y, w.c_str(), n);
    return;
  }
  // The extra pixels spread over the spaces by hand, each advance given to ExtTextOut: not every GDI applies
  // SetTextJustification to a memory device context.
  std::vector<INT> ends(static_cast<std::size_t>(n));
  SIZE size{};
  GetTextExtentExPointW(dc, w.c_str(), n, INT_MAX, nullptr, ends.data(), &size);
  std::vector<INT> advances(static_cast<std::size_t>(n));
  int space = 0;
  for (int i = 0; i < n; ++i) {
    advances[i] = ends[i] - (i == 0 ? 0 : ends[i - 1]);
    if (w[i] == L' ') {
      advances[i] += extra / spaces + (space < extra % spaces ? 1 : 0);
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
