// The recording platform's drawing surfaces: pixels kept in memory, every drawing call recorded.
#include "tests/support/recording_platform.h"

#include <algorithm>
#include <cstdint>
#include <set>

#include "common/cp1252.h"
#include "common/halt.h"
#include "common/messages.h"

namespace kal::test {

Colour RecordingPlatform::system_colour(SystemColour which) {
  return which == SystemColour::WindowText ? colours.window_text : colours.button_face;
}

namespace {

// GDI refuses a bitmap it cannot hold; the double refuses past a fixed size, so that a script asking for an
// enormous picture gets none, as on Windows, instead of exhausting the test's memory.
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 26;

bool too_large(int width, int height) {
  return static_cast<std::int64_t>(width) * height > kMaxPixels;
}

std::vector<Colour> blank(int width, int height) {
  return std::vector<Colour>(static_cast<std::size_t>(std::max(width, 0)) * std::max(height, 0), 0);
}

}  // namespace

SurfaceId RecordingPlatform::open_window(int width, int height) {
  if (fail_windows) return 0;
  events.push_back({Event::Kind::Window,
                    std::string(msg::kWindowTitle),
                    std::to_string(width) + " x " + std::to_string(height),
                    Buttons::Ok,
                    {}});
  const int w = std::max(width - 1, 0), h = std::max(height - 1, 0);
  if (too_large(w, h)) return 0;  // the window shows, but without a drawing surface, as on Windows
  surfaces[next_surface_] = Picture{w, h, true, blank(w, h)};
  return next_surface_++;
}

SurfaceId RecordingPlatform::create_picture(int width, int height) {
  if (fail_pictures || width <= 0 || height <= 0 || too_large(width, height)) return 0;
  surfaces[next_surface_] = Picture{width, height, false, blank(width, height)};
  return next_surface_++;
}

void RecordingPlatform::fill(SurfaceId surface, int width, int height, Colour colour) {
  auto it = surfaces.find(surface);
  if (it == surfaces.end()) return;
  Picture& p = it->second;
  for (int y = 0; y < std::min(height, p.height); ++y)
    for (int x = 0; x < std::min(width, p.width); ++x)
      p.pixels[static_cast<std::size_t>(y) * p.width + x] = colour;
}

void RecordingPlatform::show_picture(SurfaceId picture, SurfaceId window, int width, int height) {
  auto from = surfaces.find(picture);
  auto to = surfaces.find(window);
  if (from == surfaces.end() || to == surfaces.end()) return;
  const Picture& p = from->second;
  Picture& w = to->second;
  for (int y = 0; y < std::min({height, p.height, w.height}); ++y)
    for (int x = 0; x < std::min({width, p.width, w.width}); ++x)
      w.pixels[static_cast<std::size_t>(y) * w.width + x] =
          p.pixels[static_cast<std::size_t>(y) * p.width + x];
}

std::vector<Colour> RecordingPlatform::pixels(SurfaceId picture, int width, int height) {
  auto it = surfaces.find(picture);
  if (it == surfaces.end() || it->second.width != width || it->second.height != height)
    return blank(width, height);
  return it->second.pixels;
}

namespace {

std::string point_text(Point p) {
  return std::to_string(p.x) + "," + std::to_string(p.y);
}

std::string state_text(const DrawingState& s) {
  std::string t =
      "fg=" + std::to_string(s.foreground) + " bg=" + (s.transparent ? "none" : std::to_string(s.background));
  if (s.font) t += " font=" + s.font->face + "/" + std::to_string(static_cast<int>(s.font->points));
  return t;
}

}  // namespace

void RecordingPlatform::draw_line(SurfaceId, const DrawingState& state, Point from, Point to, Colour colour) {
  drawing.push_back("line " + point_text(from) + " " + point_text(to) + " colour=" + std::to_string(colour) +
                    " pen=" + std::to_string(state.pen_width));
}

void RecordingPlatform::set_pixel(SurfaceId surface, Point at, Colour colour) {
  drawing.push_back("point " + point_text(at) + " colour=" + std::to_string(colour));
  auto it = surfaces.find(surface);
  if (it == surfaces.end()) return;
  Picture& p = it->second;
  if (at.x >= 0 && at.y >= 0 && at.x < p.width && at.y < p.height)
    p.pixels[static_cast<std::size_t>(at.y) * p.width + at.x] = colour;
}

void RecordingPlatform::draw_round_box(SurfaceId, const DrawingState& state, Rect box, int corner_width,
                                       int corner_height, Colour outline, const Fill& fill) {
  std::string f = fill.kind == Fill::Kind::Hollow ? "hollow"
                  : fill.kind == Fill::Kind::Solid
                      ? "solid:" + std::to_string(fill.colour)
                      : "hatch" + std::to_string(fill.hatch) + ":" + std::to_string(fill.colour);
  drawing.push_back("box " + point_text({box.left, box.top}) + " " + point_text({box.right, box.bottom}) +
                    " corner=" + std::to_string(corner_width) + "x" + std::to_string(corner_height) +
                    " outline=" + std::to_string(outline) + " pen=" + std::to_string(state.pen_width) +
                    " fill=" + f);
}

void RecordingPlatform::draw_text(SurfaceId, const DrawingState& state, Point at, std::string_view text,
                                  int extra) {
  std::string line = "text " + point_text(at) + " '" + std::string(text) + "' " + state_text(state);
  if (extra != 0) line.append(" extra=").append(std::to_string(extra));
  drawing.push_back(std::move(line));
}

int RecordingPlatform::text_width(SurfaceId, const DrawingState&, std::string_view text) {
  return kCharWidth * static_cast<int>(text.size());
}

int RecordingPlatform::text_fit(SurfaceId, const DrawingState&, std::string_view text, int max_width) {
  return std::clamp(max_width / kCharWidth, 0, static_cast<int>(text.size()));
}

bool RecordingPlatform::draw_bitmap_file(SurfaceId, const std::string& path, Point at, int width,
                                         int height) {
  drawing.push_back("bitmap " + path + " " + point_text(at) + " " + std::to_string(width) + "x" +
                    std::to_string(height));
  return file(path) != nullptr;
}

}  // namespace kal::test
