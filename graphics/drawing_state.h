// What a drawing surface remembers between commands, and the rules that set it from script values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace kal {

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

// Style bits: 1 bold, 2 italic, 4 underline, 8 strike-out, 16 cell height; the angle in degrees.
FontSpec make_font(std::string_view name, long double points, std::int64_t style, long double angle);

// The font height Windows takes (LOGFONT): minus the size in points at the screen's dots per inch, so that a
// positive size measures the letters; with style bit 16 (or a negative size) it measures the whole cell.
int font_height(const FontSpec& font, int dots_per_inch);

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

// A script's colour number: its low 24 bits.
Colour colour_of(std::int64_t value);

struct SystemColours {
  Colour window_text = 0;
  Colour button_face = 0;
};

// `color`: -1 gives the system's colours, -2 a transparent background (the foreground takes -2 as a number),
// -3 leaves a colour as it is; any other value is a colour number (and makes the background opaque).
void apply_colours(DrawingState& state, std::int64_t foreground, std::int64_t background,
                   const SystemColours& system);

// The background alone, by the same rules.
void apply_background(DrawingState& state, std::int64_t background, const SystemColours& system);

}  // namespace kal
