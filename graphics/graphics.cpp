#include "graphics/graphics.h"

#include <algorithm>

#include "graphics/bitmap_file.h"
#include "graphics/calendar.h"
#include "graphics/text_block.h"
#include "values/date_functions.h"
#include "values/file_names.h"
#include "values/number_reading.h"

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
  // Clearing with a transparent background paints nothing, as -2 does.
  const bool nothing = colour == kNothing || (colour == kBackground && s->state.transparent);
  if (!nothing)
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

namespace {

constexpr std::int64_t kForeground = -1, kHollow = -2;

Colour pen_colour(const Surface& s, std::int64_t colour) {
  return colour == kForeground ? s.state.foreground : colour_of(colour);
}

int to_pixel(long double v) {
  const long double r = round_half_even(v);
  if (!(r > -2147483648.0L)) return INT32_MIN;  // also NaN
  return r >= 2147483647.0L ? INT32_MAX : static_cast<int>(r);
}

// The text measures of one surface in its current font.
class SurfaceMeasure final : public TextMeasure {
 public:
  SurfaceMeasure(Platform& p, const Surface& s) : platform_(p), surface_(s) {}
  int width(std::string_view text) override {
    return platform_.text_width(surface_.id, surface_.state, text);
  }
  int fit(std::string_view text, int max_width) override {
    return platform_.text_fit(surface_.id, surface_.state, text, max_width);
  }

 private:
  Platform& platform_;
  const Surface& surface_;
};

}  // namespace

void Graphics::draw_line(Point from, Point to, std::int64_t colour) {
  Surface* s = select_picture();
  if (s == nullptr) return;
  platform_.draw_line(s->id, s->state, from, to, pen_colour(*s, colour));
  s->state.position = to;
}

void Graphics::draw_point(Point at, std::int64_t colour) {
  Surface* s = select_picture();
  if (s == nullptr) return;
  platform_.set_pixel(s->id, at, pen_colour(*s, colour));
  s->state.position = at;
}

void Graphics::draw_rounded(Surface& s, const Box& box, int corner_percent, bool ellipse) {
  // Top-left corner first; the right and bottom edges lie outside the figure.
  const Rect r{to_pixel(std::min(box.x1, box.x2)), to_pixel(std::min(box.y1, box.y2)),
               to_pixel(std::max(box.x1, box.x2)), to_pixel(std::max(box.y1, box.y2))};
  const std::int64_t w = static_cast<std::int64_t>(r.right) - r.left;
  const std::int64_t h = static_cast<std::int64_t>(r.bottom) - r.top;
  const Colour outline = pen_colour(s, box.colour);
  Fill fill;
  if (box.fill_colour == kHollow) {
    fill.kind = Fill::Kind::Hollow;
  } else {
    fill.colour = box.fill_colour == kForeground ? outline : colour_of(box.fill_colour);
    if (box.fill_style >= 1 && box.fill_style <= 6) {
      fill.kind = Fill::Kind::Hatch;
      fill.hatch = static_cast<int>(box.fill_style - 1);
    }
  }
  const std::int64_t diameter = std::min(w, h) * corner_percent / 100;
  const auto clamp32 = [](std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, 0, INT32_MAX));
  };
  platform_.draw_round_box(s.id, s.state, r, ellipse ? clamp32(w) : clamp32(diameter),
                           ellipse ? clamp32(h) : clamp32(diameter), outline, fill);
}

void Graphics::draw_box(const Box& box, std::int64_t corner) {
  Surface* s = select_picture();
  if (s == nullptr) return;
  // Above 100, and below 0, the corners are fully round.
  draw_rounded(*s, box, corner < 0 || corner > 100 ? 100 : static_cast<int>(corner), false);
}

void Graphics::draw_ellipse(const Box& box) {
  if (Surface* s = select_picture()) draw_rounded(*s, box, 100, true);
}

void Graphics::draw_text_at(Surface& s, Point at, std::string_view text, int extra) {
  platform_.draw_text(s.id, s.state, at, text, extra);
  s.state.position = {0, clamp_coordinate(std::int64_t{at.y} + platform_.line_height(s.id, s.state))};
}

void Graphics::draw_text_line(std::string_view text) {
  if (Surface* s = select_picture()) draw_text_at(*s, s->state.position, text);
}

void Graphics::draw_text_block(std::string_view text, std::int64_t alignment, Point at, int width,
                               const FontSpec& font) {
  Surface* s = select_picture();
  if (s == nullptr) return;
  s->state.font = font;
  s->state.foreground = platform_.system_colour(SystemColour::WindowText);
  s->state.transparent = true;
  SurfaceMeasure measure(platform_, *s);
  const std::vector<std::string> lines = block_lines(text, width, measure);
  s->state.position = at;
  if (alignment < kAlignLeft || alignment > kAlignJustify) return;
  int widest = 0;
  if (alignment == kAlignJustify)
    for (const std::string& line : lines) widest = std::max(widest, measure.width(line));
  for (const std::string& line : lines) {
    const int y = s->state.position.y;
    const int w = alignment == kAlignLeft ? 0 : measure.width(line);
    switch (alignment) {
      case kAlignLeft:
        draw_text_at(*s, {at.x, y}, line);
        break;
      case kAlignRight:
        draw_text_at(*s, {clamp_coordinate(std::int64_t{at.x} + width - w - 3), y}, line);
        break;
      case kAlignCentre:
        draw_text_at(*s, {to_pixel(at.x + (std::int64_t{width} - w) / 2.0L), y}, line);
        break;
      default: {
        if (!justified(w, widest)) {
          draw_text_at(*s, {at.x, y}, line);
          break;
        }
        draw_text_at(*s, {at.x, y}, line, widest - w);
      }
    }
  }
}

void Graphics::draw_bitmap(const std::string& path, Point at) {
  Surface* s = select_picture();
  if (s == nullptr || has_wildcards(path)) return;
  // Only read: a missing file stays missing.
  const auto info = platform_.file_info(path);
  if (!info || (info->attributes & attribute::kDirectory) != 0) return;
  const std::uint64_t file_size = info->size;
  auto file = platform_.open_input(path);
  if (!file) return;
  std::string header(54, '\0');
  header.resize(file->read_fully(header.data(), header.size()));
  const auto size = bitmap_file_size(header, file_size);
  if (!size) return;
  platform_.draw_bitmap_file(s->id, path, at, size->width, size->height < 0 ? -size->height : size->height);
}

void Graphics::draw_month(const Month& m) {
  Surface* s = select_picture();
  // A month outside 1 to 12 has no name and no days: nothing is drawn.
  if (s == nullptr || m.month < 1 || m.month > 12) return;
  static constexpr const char* kInitials[] = {"L", "M", "X", "J", "V", "S", "D"};
  const int month = static_cast<int>(m.month);
  const std::int64_t x = m.at.x, y = m.at.y;
  const MonthLayout layout = month_layout(m.year, month, m.at.x, m.at.y, m.size);
  const FontSpec font = make_font(m.font_name, m.size, 1, 0);

  s->state.pen_width = 4;
  draw_rounded(
      *s,
      Box{static_cast<float>(x - 5), static_cast<float>(y - 5), static_cast<float>(layout.right + 5LL),
          static_cast<float>(layout.bottom + 5LL), m.outline, m.fill, 0},
      0, false);

  s->state.font = font;
  s->state.foreground = pen_colour(*s, m.outline);
  s->state.transparent = true;
  const std::string title = std::string(month_name(month)) + " " + std::to_string(m.year);
  const int w = platform_.text_width(s->id, s->state, title);
  draw_text_at(*s, {clamp_coordinate(((x - 5) + (layout.right + 5LL) - w) / 2), m.at.y}, title);

  s->state.foreground = 0;
  for (int n = 0; n < 7; ++n) draw_text_at(*s, layout.header[n], kInitials[n]);
  for (std::size_t day = 0; day < layout.days.size(); ++day) {
    s->state.foreground = layout.columns[day] == 7 ? 255 : 0;
    draw_text_at(*s, layout.days[day], std::to_string(day + 1));
  }
}

}  // namespace kal
