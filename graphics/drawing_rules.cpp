#include "graphics/drawing_rules.h"

#include <algorithm>
#include <cmath>

#include "common/extended.h"
#include "values/number_reading.h"

namespace kal {

FontSpec make_font(std::string_view name, long double points, std::int64_t style, long double angle) {
  constexpr std::size_t kMaxFace = 31;
  FontSpec f;
  f.face = std::string(name.substr(0, kMaxFace));
  f.points = points == 0 ? 8 : points;
  f.weight = (style & 1) != 0 ? 700 : 400;
  f.italic = (style & 2) != 0;
  f.underline = (style & 4) != 0;
  f.strike_out = (style & 8) != 0;
  f.cell_height = (style & 16) != 0;
  const long double tenths = round_half_even(ext::mul(angle, 10));
  f.escapement = std::isfinite(tenths)
                     ? static_cast<int>(std::fmax(std::fmin(tenths, 2147483647.0L), -2147483648.0L))
                     : 0;
  return f;
}

Colour colour_of(std::int64_t value) {
  return static_cast<Colour>(static_cast<std::uint64_t>(value) & 0xFFFFFFu);
}

namespace {

constexpr std::int64_t kSystem = -1, kTransparent = -2, kUnchanged = -3;

}  // namespace

void apply_background(DrawingState& state, std::int64_t background, const SystemColours& system) {
  switch (background) {
    case kUnchanged:
      return;
    case kTransparent:
      state.transparent = true;
      return;
    case kSystem:
      state.background = system.button_face;
      break;
    default:
      state.background = colour_of(background);
  }
  state.transparent = false;
}

void apply_colours(DrawingState& state, std::int64_t foreground, std::int64_t background,
                   const SystemColours& system) {
  if (foreground == kSystem)
    state.foreground = system.window_text;
  else if (foreground != kUnchanged)
    state.foreground = colour_of(foreground);
  apply_background(state, background, system);
}

int clamp_coordinate(std::int64_t v) {
  return static_cast<int>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace kal
