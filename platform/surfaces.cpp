#include "platform/surfaces.h"

#include <cmath>

#include "common/extended.h"

namespace kal {

int font_height(const FontSpec& font, int dots_per_inch) {
  const long double points = font.cell_height ? -font.points : font.points;
  // The default rounding mode takes halves to the even neighbour, as Windows' own conversion does.
  const long double pixels = std::nearbyint(ext::div(ext::mul(points, dots_per_inch), 72));
  // Larger fonts than this are no use on any screen; the sign is what tells Windows how to measure.
  constexpr long double kLargest = 16384;
  if (!std::isfinite(pixels)) return 0;
  return -static_cast<int>(std::fmax(std::fmin(pixels, kLargest), -kLargest));
}

}  // namespace kal
