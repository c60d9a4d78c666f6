// The browser's platform: the page's dialogs, canvases and clock, and files kept in memory with the program
// folder at C:\. Each call that waits for the user (a box, a dialog, the label pause, a step) lets the page
// run meanwhile; a run that is stopped is simply never resumed.
#pragma once

#include "platform/memory_files.h"
#include "platform/platform.h"

namespace kal::web {

inline constexpr const char* kOwnPath = "C:\\KAL.exe";
inline constexpr const char* kProgramFolder = "C:\\";

class WebPlatform final : public Platform, public MemoryFiles {
 public:
  WebPlatform() : MemoryFiles(kOwnPath, kProgramFolder) {}

  Answer message_box(std::string_view title, std::string_view text, Buttons buttons) override;
  std::string open_file_dialog(const OpenFileRequest& request) override;
  std::string input_dialog() override;

  ScreenSize screen_size() override;
  LocalTime local_time() override;
  void pause_milliseconds(int ms) override;
  bool serve_one_message() override { return false; }  // the page serves itself while a run waits
  bool shell_open(const std::string& path) override;
  void start_command_interpreter(std::string_view parameters) override;

  Colour system_colour(SystemColour which) override;
  SurfaceId open_window(int width, int height) override;
  bool window_made() const override { return true; }  // the page always has its drawing
  SurfaceId create_picture(int width, int height) override;
  void discard_picture(SurfaceId picture) override;
  void fill(SurfaceId surface, int width, int height, Colour colour) override;
  void show_picture(SurfaceId picture, SurfaceId window, int width, int height) override;
  std::vector<Colour> pixels(SurfaceId picture, int width, int height) override;
  void draw_line(SurfaceId surface, const DrawingState& state, Point from, Point to, Colour colour) override;
  void set_pixel(SurfaceId surface, Point at, Colour colour) override;
  void draw_round_box(SurfaceId surface, const DrawingState& state, Rect box, int corner_width,
                      int corner_height, Colour outline, const Fill& fill) override;
  void draw_text(SurfaceId surface, const DrawingState& state, Point at, std::string_view text,
                 int extra) override;
  int text_width(SurfaceId surface, const DrawingState& state, std::string_view text) override;
  int text_fit(SurfaceId surface, const DrawingState& state, std::string_view text, int max_width) override;
  int line_height(SurfaceId surface, const DrawingState& state) override;
  bool draw_bitmap_file(SurfaceId surface, const std::string& path, Point at, int width, int height) override;
};

}  // namespace kal::web
