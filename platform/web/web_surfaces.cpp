// The browser's drawing surfaces: the graphics window is a canvas in the page and each picture one kept off
// it; the page draws with the canvas' 2D context.
#include <algorithm>

#include "platform/web/web_imports.h"
#include "platform/web/web_platform.h"

namespace kal::web {
namespace {

constexpr int kDotsPerInch = 96;  // the page's CSS pixels

void use_text_state(SurfaceId surface, const DrawingState& state) {
  const FontSpec* f = state.font ? &*state.font : nullptr;
  kal_js_text_state(static_cast<int>(surface), f ? f->face.data() : "", f ? length(f->face) : 0,
                    f ? font_height(*f, kDotsPerInch) : 0, f ? f->weight : 700, f && f->italic,
                    f && f->underline, f && f->strike_out, f ? f->escapement : 0, state.foreground,
                    state.background, state.transparent);
}

}  // namespace

Colour WebPlatform::system_colour(SystemColour which) {
  const JsSystemColour code =
      which == SystemColour::WindowText ? JsSystemColour::WindowText : JsSystemColour::ButtonFace;
  return kal_js_system_colour(static_cast<int>(code));
}

SurfaceId WebPlatform::open_window(int width, int height) {
  return static_cast<SurfaceId>(kal_js_open_window(width, height));
}

SurfaceId WebPlatform::create_picture(int width, int height) {
  return static_cast<SurfaceId>(kal_js_create_picture(width, height));
}

void WebPlatform::discard_picture(SurfaceId picture) {
  kal_js_discard_picture(static_cast<int>(picture));
}

void WebPlatform::fill(SurfaceId surface, int width, int height, Colour colour) {
  kal_js_fill(static_cast<int>(surface), width, height, colour);
}

void WebPlatform::show_picture(SurfaceId picture, SurfaceId window, int width, int height) {
  kal_js_show_picture(static_cast<int>(picture), static_cast<int>(window), width, height);
}

std::vector<Colour> WebPlatform::pixels(SurfaceId picture, int width, int height) {
  std::vector<Colour> out(static_cast<std::size_t>(std::max(width, 0)) *
                          static_cast<std::size_t>(std::max(height, 0)));
  if (!out.empty()) kal_js_pixels(static_cast<int>(picture), width, height, out.data());
  return out;
}

void WebPlatform::draw_line(SurfaceId surface, const DrawingState& state, Point from, Point to,
                            Colour colour) {
  kal_js_line(static_cast<int>(surface), from.x, from.y, to.x, to.y, colour, state.pen_width);
}

void WebPlatform::set_pixel(SurfaceId surface, Point at, Colour colour) {
  kal_js_set_pixel(static_cast<int>(surface), at.x, at.y, colour);
}

void WebPlatform::draw_round_box(SurfaceId surface, const DrawingState& state, Rect box, int corner_width,
                                 int corner_height, Colour outline, const Fill& fill) {
  const JsFill kind = fill.kind == Fill::Kind::Solid   ? JsFill::Solid
                      : fill.kind == Fill::Kind::Hatch ? JsFill::Hatch
                                                       : JsFill::Hollow;
  kal_js_round_box(static_cast<int>(surface), box.left, box.top, box.right, box.bottom, corner_width,
                   corner_height, outline, state.pen_width, static_cast<int>(kind), fill.hatch, fill.colour,
                   state.background, state.transparent);
}

void WebPlatform::draw_text(SurfaceId surface, const DrawingState& state, Point at, std::string_view text,
                            int extra) {
  use_text_state(surface, state);
  kal_js_text(static_cast<int>(surface), at.x, at.y, text.data(), length(text), extra);
}

int WebPlatform::text_width(SurfaceId surface, const DrawingState& state, std::string_view text) {
  use_text_state(surface, state);
  return kal_js_text_width(static_cast<int>(surface), text.data(), length(text));
}

int WebPlatform::text_fit(SurfaceId surface, const DrawingState& state, std::string_view text,
                          int max_width) {
  use_text_state(surface, state);
  return kal_js_text_fit(static_cast<int>(surface), text.data(), length(text), max_width);
}

int WebPlatform::line_height(SurfaceId surface, const DrawingState& state) {
  use_text_state(surface, state);
  return kal_js_line_height(static_cast<int>(surface));
}

bool WebPlatform::draw_bitmap_file(SurfaceId surface, const std::string& path, Point at, int width,
                                   int height) {
  // The page decodes the file's bytes as an image and draws it stretched to the size, as LoadImage does.
  const std::string* bytes = file(path);
  if (bytes == nullptr) return false;
  return kal_js_draw_bitmap(static_cast<int>(surface), bytes->data(), length(*bytes), at.x, at.y, width,
                            height) != 0;
}

}  // namespace kal::web
