// The Platform over the Win32 API. This header keeps windows.h from whoever includes it: the facets' files
// take it through win32_common.h, and only they and the entry points that need it (wWinMain, the console's
// code page) include it.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace kal::win32 {

class Win32Platform : public Platform {
 public:
  Win32Platform();
  ~Win32Platform() override;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  std::string own_path() override;
  std::string current_directory() override;
  Answer message_box(std::string_view title, std::string_view text, Buttons buttons) override;
  std::string open_file_dialog(const OpenFileRequest& request) override;
  std::string input_dialog() override;
  ScreenSize screen_size() override;
  Colour system_colour(SystemColour which) override;
  SurfaceId open_window(int width, int height) override;
  bool window_made() const override { return !windows_.empty(); }
  SurfaceId create_picture(int width, int height) override;
  void discard_picture(SurfaceId picture) override;
  void fill(SurfaceId surface, int width, int height, Colour colour) override;
  void show_picture(SurfaceId picture, SurfaceId window, int width, int height) override;
  std::vector<Colour> pixels(SurfaceId picture, int width, int height) override;
  bool write_file(const std::string& path, std::string_view bytes) override;
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
  std::optional<std::string> read_file(const std::string& path) override;
  bool append_file(const std::string& path, std::string_view bytes) override;
  bool rename_file(const std::string& from, const std::string& to) override;
  std::unique_ptr<InputFile> open_input(const std::string& path) override;
  std::optional<FileInfo> file_info(const std::string& path) override;
  ErrorCode hold_file(const std::string& path, std::unique_ptr<HeldFile>& file) override;
  ErrorCode set_attributes(const std::string& path, std::uint32_t bits) override;
  ErrorCode move_file(const std::string& from, const std::string& to) override;
  ErrorCode copy_file(const std::string& from, const std::string& to) override;
  ErrorCode delete_file(const std::string& path) override;
  ErrorCode create_folder(const std::string& path) override;
  std::optional<std::uint32_t> attributes(const std::string& path) override;
  ErrorCode find_entries(const std::string& pattern,
                         const std::function<bool(const DirectoryEntry&)>& visit) override;
  int drive_type(char letter) override;
  LocalTime local_time() override;
  void pause_milliseconds(int ms) override;
  bool shell_open(const std::string& path) override;
  bool serve_one_message() override;
  void start_command_interpreter(std::string_view parameters) override;

  struct GdiSurface;  // a bitmap in a memory device context, and the control that shows it, if any

  // Called by the graphics window's procedure.
  void window_activation(bool active);
  void window_destroyed();

 private:
  // The surface's device context with the state's font, text colours and background mode; nullptr for none.
  void* text_context(SurfaceId surface, const DrawingState& state);
  void* font_for(const FontSpec& font);
  // Ends the program once a graphics window has been closed (the loops that served it have returned).
  void stop_if_window_closed();

  std::map<SurfaceId, std::unique_ptr<GdiSurface>> surfaces_;
  SurfaceId next_surface_ = 1;
  std::vector<void*> windows_;        // the graphics windows, for keyboard handling
  void* remembered_focus_ = nullptr;  // the child that had the focus when a window was deactivated
  bool window_closed_ = false;
  std::vector<std::pair<FontSpec, void*>> fonts_;  // fonts made so far, reused while the script asks again
  void* timer_ = nullptr;    // a high-resolution waitable timer, when the system has them
  bool fine_sleep_ = false;  // the system timer was set to 1 ms for Sleep
};

// The command-line tail: everything after the program name and the blanks that follow it.
std::wstring command_tail(const wchar_t* command_line);

// Script arithmetic runs in 80-bit extended precision. Windows may start a thread with the x87 unit rounding
// to 53 bits, and only the C runtime's start-up code widens it: every thread that runs a script calls this
// first.
void use_extended_precision();

}  // namespace kal::win32
