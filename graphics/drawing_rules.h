// The rules that set a surface's drawing state (platform/surfaces.h) from script values: fonts, colour
// numbers, and the special colours -1 to -3.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace kal {

// Style bits: 1 bold, 2 italic, 4 underline, 8 strike-out, 16 cell height; the angle in degrees.
FontSpec make_font(std::string_view name, long double points, std::int64_t style, long double angle);

// A script's colour number: its low 24 bits.
Colour colour_of(std::int64_t value);

// `color`: -1 gives the system's colours, -2 a transparent background (the foreground takes -2 as a number),
// -3 leaves a colour as it is; any other value is a colour number (and makes the background opaque).
void apply_colours(DrawingState& state, std::int64_t foreground, std::int64_t background,
                   const SystemColours& system);

// A coordinate a surface's 32 bits can hold: a script may place things near the edge of that range, and
// what lies past the edge stays at the edge.
int clamp_coordinate(std::int64_t v);

// The background alone, by the same rules.
void apply_background(DrawingState& state, std::int64_t background, const SystemColours& system);

}  // namespace kal
