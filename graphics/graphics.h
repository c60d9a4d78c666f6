// The program's graphics: the window surface, the off-screen picture and which of them drawing acts on.
#pragma once

#include <cstdint>
#include <string>

#include "graphics/drawing_state.h"
#include "platform/platform.h"

namespace kal {

struct Surface {
  SurfaceId id = 0;  // 0: no such surface yet
  int width = 0, height = 0;
  DrawingState state;
};

class Graphics {
 public:
  explicit Graphics(Platform& platform) : platform_(platform) {}

  // Target selection: the surface drawing now acts on, or nullptr when it does not exist, in which case every
  // drawing call does nothing.
  Surface* select_picture();
  Surface* select_window();

  // ventana: a window whose client area is width x height, its surface white on black and cleared.
  void open_window(int width, int height);
  // color, posicion, pluma, fuente: the picture's drawing state.
  void set_colours(std::int64_t foreground, std::int64_t background);
  void set_position(int x, int y);
  void set_pen_width(int width);
  void set_font(const FontSpec& font);
  // memograf: a fresh picture in place of the old one, black on the given background, cleared.
  void create_picture(int width, int height, std::int64_t background);
  // reseteamemograf: the whole picture in one colour (-1 its background, -2 nothing).
  void clear_picture(std::int64_t colour);
  // grabarmemo: the picture as a bitmap file; nothing without a picture or when the file cannot be written.
  void save_picture(const std::string& path);
  // vergraf: the picture copied into the window and repainted.
  void show_picture();
  // anulamemograf: selects the window surface, which is no picture to release.
  void release_target();

  int window_width() const { return window_width_; }
  int window_height() const { return window_height_; }

 private:
  SystemColours system_colours();
  void clear(Surface& s, Colour colour);

  Platform& platform_;
  Surface window_;
  Surface picture_;
  Surface* target_ = nullptr;
  int window_width_ = 0, window_height_ = 0;
};

}  // namespace kal
