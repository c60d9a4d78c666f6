#include "graphics/graphics.h"

#include <algorithm>

#include "graphics/bitmap_file.h"

namespace kal {

Surface* Graphics::select_picture() {
  target_ = picture_.id != 0 ? &picture_ : nullptr;
  return target_;
}

Surface* Graphics::select_window() {
  target_ = window_.id != 0 ? &window_ : nullptr;
  return target_;
}

SystemColours Graphics::system_colours() {
  return {platform_.system_colour(SystemColour::WindowText),
          platform_.system_colour(SystemColour::ButtonFace)};
}

void Graphics::clear(Surface& s, Colour colour) {
  platform_.fill(s.id, s.width, s.height, colour);
  s.state.position = {};
}

void Graphics::open_window(int width, int height) {
  window_width_ = width;
  window_height_ = height;
  // A second window takes over as the window surface; the first stays on screen.
  window_ =
      Surface{platform_.open_window(width, height), std::max(width - 1, 0), std::max(height - 1, 0), {}};
  window_.state.foreground = 0xFFFFFF;
  window_.state.background = 0;
  if (Surface* s = select_window()) clear(*s, s->state.background);
}

void Graphics::set_colours(std::int64_t foreground, std::int64_t background) {
  if (Surface* s = select_picture()) apply_colours(s->state, foreground, background, system_colours());
}

void Graphics::set_position(int x, int y) {
  if (Surface* s = select_picture()) s->state.position = {x, y};
}

void Graphics::set_pen_width(int width) {
  if (Surface* s = select_picture()) s->state.pen_width = width;
}

void Graphics::set_font(const FontSpec& font) {
  if (Surface* s = select_picture()) s->state.font = font;
}

void Graphics::create_picture(int width, int height, std::int64_t background) {
  if (picture_.id != 0) platform_.discard_picture(picture_.id);
  picture_ = Surface{platform_.create_picture(width, height), width, height, {}};
  Surface* s = select_picture();
  if (s == nullptr) return;
  const SystemColours system = system_colours();
  s->state.foreground = 0;
  s->state.background = system.button_face;
  apply_background(s->state, background, system);
  // A transparent background paints nothing, so the new picture keeps its first (black) pixels.
  if (!s->state.transparent) clear(*s, s->state.background);
  s->state.position = {};
}

void Graphics::clear_picture(std::int64_t colour) {
  constexpr std::int64_t kBackground = -1, kNothing = -2;
  Surface* s = select_picture();
  if (s == nullptr) return;
  if (colour != kNothing)
    platform_.fill(s->id, s->width, s->height,
                   colour == kBackground ? s->state.background : colour_of(colour));
  s->state.position = {};
}

void Graphics::save_picture(const std::string& path) {
  Surface* s = select_picture();
  if (s == nullptr) return;
  platform_.write_file(path, bitmap_file(s->width, s->height, platform_.pixels(s->id, s->width, s->height)));
}

void Graphics::show_picture() {
  Surface* window = select_window();
  if (window == nullptr) return;
  // Without a picture nothing is copied, but the window is still repainted.
  platform_.show_picture(picture_.id, window->id, std::min(picture_.width, window->width),
                         std::min(picture_.height, window->height));
}

void Graphics::release_target() {
  select_window();
}

}  // namespace kal
