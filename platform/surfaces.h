// The platform's drawing surfaces (the graphics window's and off-screen pictures) and the vocabulary they
// speak: colours, points, boxes, fills, fonts and the drawing state.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kal {

// A colour as a script's numbers give it: 0x00BBGGRR, red in the low byte.
using Colour = std::uint32_t;
// A drawing surface the system keeps for the program: the graphics window's or an off-screen picture. 0 is
// none.
using SurfaceId = std::uint32_t;
enum class SystemColour { WindowText, ButtonFace };

// A font as a script asks for it.
struct FontSpec {
  std::string face;          // at most 31 characters
  long double points = 8;    // a size of 0 stands for 8
  bool cell_height = false;  // style bit 16: the size is negated, so it measures the whole character cell
  int weight = 400;
  bool italic = false, underline = false, strike_out = false;
  int escapement = 0;  // tenths of a degree, counter-clockwise
  bool operator==(const FontSpec&) const = default;
};

struct Point {
  int x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

struct DrawingState {
  Colour foreground = 0;
  Colour background = 0;
  bool transparent = false;      // nothing painted behind text and hatches, and clearing paints nothing
  int pen_width = 0;             // 0 draws one-pixel lines
  std::optional<FontSpec> font;  // the system's default font until a script chooses one
  Point position;
};

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom are outside
};

// How a box or ellipse is filled: a solid colour, one of the six hatch patterns (0 horizontal, 1 vertical,
// 2 and 3 diagonal, 4 cross, 5 diagonal cross) in a colour, or not at all.
struct Fill {
  enum class Kind { Solid, Hatch, Hollow };
  Kind kind = Kind::Solid;
  int hatch = 0;
  Colour colour = 0;
};

// The colours a script's -1 stands for.
struct SystemColours {
  Colour window_text = 0;
  Colour button_face = 0;
};

// A font's height in pixels as a surface asks for it: minus the size in points at the screen's dots per
// inch, so that a positive size measures the letters; with style bit 16 (or a negative size) it measures the
// whole character cell.
int font_height(const FontSpec& font, int dots_per_inch);

class Surfaces {
 public:
  virtual ~Surfaces() = default;

  // Graphics. Every call on a surface that does not exist does nothing.
  virtual Colour system_colour(SystemColour which) = 0;
  // Opens a graphics window whose client area is width x height pixels, with a drawing control of
  // (width - 1) x (height - 1) at its top-left; the control's surface.
  virtual SurfaceId open_window(int width, int height) = 0;
  // Whether a graphics window ever came on screen (the first may have, where a later one failed).
  virtual bool window_made() const = 0;
  // An off-screen picture compatible with the screen; 0 when it cannot be made.
  virtual SurfaceId create_picture(int width, int height) = 0;
  virtual void discard_picture(SurfaceId picture) = 0;
  // Paints the rectangle from (0, 0) of that size with one colour.
  virtual void fill(SurfaceId surface, int width, int height, Colour colour) = 0;
  // Copies the top-left width x height of a picture to (0, 0) of a window surface and repaints it at once.
  virtual void show_picture(SurfaceId picture, SurfaceId window, int width, int height) = 0;
  // A picture's pixels, row after row from the top.
  virtual std::vector<Colour> pixels(SurfaceId picture, int width, int height) = 0;

  // Drawing on a picture with its drawing state: the pen (solid, the state's width), the font, and for text
  // and hatches the background colour and mode. A line leaves its end point unpainted.
  virtual void draw_line(SurfaceId surface, const DrawingState& state, Point from, Point to,
                         Colour colour) = 0;
  virtual void set_pixel(SurfaceId surface, Point at, Colour colour) = 0;
  // A box whose corners are the quarters of an ellipse of corner_width x corner_height: square corners at
  // 0 x 0, an ellipse at the box's own size.
  virtual void draw_round_box(SurfaceId surface, const DrawingState& state, Rect box, int corner_width,
                              int corner_height, Colour outline, const Fill& fill) = 0;
  // Text in the state's font and foreground colour, its top-left corner at `at`. A justified line spreads
  // `extra` pixels over its blanks, the first ones taking one more each when they do not share evenly.
  virtual void draw_text(SurfaceId surface, const DrawingState& state, Point at, std::string_view text,
                         int extra) = 0;
  // Measures in the state's font: a text's width; how many of its first characters fit in max_width; the
  // height of a text line (character height plus external leading).
  virtual int text_width(SurfaceId surface, const DrawingState& state, std::string_view text) = 0;
  virtual int text_fit(SurfaceId surface, const DrawingState& state, std::string_view text,
                       int max_width) = 0;
  virtual int line_height(SurfaceId surface, const DrawingState& state) = 0;
  // Draws a bitmap file of width x height pixels with its top-left corner at `at`; false when it cannot be
  // loaded. The file is only read.
  virtual bool draw_bitmap_file(SurfaceId surface, const std::string& path, Point at, int width,
                                int height) = 0;
};

}  // namespace kal
