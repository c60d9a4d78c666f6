// The program's graphics: the window surface, the off-screen picture and which of them drawing acts on.
#pragma once

#include <cstdint>
#include <string>

#include "graphics/drawing_rules.h"
#include "platform/platform.h"

namespace kal {

// pintartexto's alignments: the numbers the constants %ALINIZQ, %ALINDER, %ALINCEN and %ALINJUS give.
inline constexpr long kAlignLeft = 131, kAlignRight = 132, kAlignCentre = 133, kAlignJustify = 134;

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

  // Drawing on the picture. Colour -1 stands for the foreground colour.
  void draw_line(Point from, Point to, std::int64_t colour);
  void draw_point(Point at, std::int64_t colour);
  // caja and circulo: corners in any order, as single-precision numbers; the fill colour -1 is the outline's
  // colour and -2 no fill; fill styles 1 to 6 are hatches, any other value solid.
  struct Box {
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    std::int64_t colour = 0, fill_colour = 0, fill_style = 0;
  };
  void draw_box(const Box& box, std::int64_t corner);
  void draw_ellipse(const Box& box);
  // textograf: the text at the current position, then the start of the next line.
  void draw_text_line(std::string_view text);
  // pintartexto: 100 lines wrapped to the width, aligned by one of the kAlign numbers; any other draws
  // nothing.
  void draw_text_block(std::string_view text, std::int64_t alignment, Point at, int width,
                       const FontSpec& font);
  // leermapbit: a bitmap file with its top-left corner at `at`, when it is one.
  void draw_bitmap(const std::string& path, Point at);
  // mesgraf: the month sheet at `at` with the layout unit `size`.
  struct Month {
    std::int64_t year = 0, month = 0;
    Point at;
    std::int64_t outline = 0, fill = 0;
    std::string font_name;
    int size = 0;
  };
  void draw_month(const Month& m);

  // What a debugger shows: the window and the picture, their sizes (0 when there is none) and drawing states.
  const Surface& window() const { return window_; }
  const Surface& picture() const { return picture_; }

 private:
  SystemColours system_colours();
  void clear(Surface& s, Colour colour);
  // extra: the pixels a justified line spreads over its blanks.
  void draw_text_at(Surface& s, Point at, std::string_view text, int extra = 0);
  void draw_rounded(Surface& s, const Box& box, int corner_percent, bool ellipse);

  Platform& platform_;
  Surface window_;
  Surface picture_;
  Surface* target_ = nullptr;
};

}  // namespace kal
