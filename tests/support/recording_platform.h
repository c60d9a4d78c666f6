// A Platform that records what the interpreter asks of the system and answers from a script of replies.
// Its files and folders live in memory, drives C: and Z:, as in a Wine prefix.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/memory_files.h"
#include "platform/platform.h"

namespace kal::test {

struct Event {
  enum class Kind { MessageBox, OpenDialog, Rename, ShellOpen, CommandInterpreter, InputDialog, Window };
  Kind kind;
  // MessageBox: title; Rename: from; ShellOpen: path; CommandInterpreter: parameters; Window: "width x
  // height"
  std::string title;
  std::string text;  // MessageBox: text; Rename: to
  Buttons buttons = Buttons::Ok;
  OpenFileRequest request;  // OpenDialog
};

// What the user does when a window asks: the default button, a button, or (dialogs) cancel or a typed path.
struct Reply {
  enum class Kind { Default, Yes, No, Cancel, Type, CloseWindow };  // CloseWindow: the graphics window's
  Kind kind = Kind::Default;
  std::string typed;
};

class RecordingPlatform : public Platform, public MemoryFiles {
 public:
  RecordingPlatform() : MemoryFiles("C:\\kal\\KAL.exe", "C:\\kal\\") {}

  LocalTime now{2026, 12, 7, 1, 10, 30, 15, 250};
  ScreenSize screen{1920, 1080};
  std::deque<Reply> replies;  // consumed by message boxes and dialogs, in order
  std::vector<Event> events;
  int pauses_ms = 0;
  // Serving window messages: how many rounds until the user closes the program's window (which ends the
  // program), -1 for never; and how many rounds were served.
  int window_closes_after = -1;
  int message_rounds = 0;

  // Surfaces: their pixels, row after row from the top.
  struct Picture {
    int width = 0, height = 0;
    bool window = false;
    std::vector<Colour> pixels;
  };
  std::map<SurfaceId, Picture> surfaces;
  SystemColours colours{0x000000, 0xF0F0F0};
  bool fail_pictures = false;  // create_picture fails, as for a picture too large for the system
  bool fail_windows = false;   // no graphics window comes on screen, as when the system has no display

  // Only the message boxes, as "title|text" pairs, for short assertions.
  std::vector<std::pair<std::string, std::string>> boxes() const;

  Answer message_box(std::string_view title, std::string_view text, Buttons buttons) override;
  std::string open_file_dialog(const OpenFileRequest& request) override;
  std::string input_dialog() override;
  ScreenSize screen_size() override { return screen; }
  Colour system_colour(SystemColour which) override;
  SurfaceId open_window(int width, int height) override;
  bool window_made() const override { return !fail_windows; }
  SurfaceId create_picture(int width, int height) override;
  void discard_picture(SurfaceId picture) override { surfaces.erase(picture); }
  void fill(SurfaceId surface, int width, int height, Colour colour) override;
  void show_picture(SurfaceId picture, SurfaceId window, int width, int height) override;
  std::vector<Colour> pixels(SurfaceId picture, int width, int height) override;
  void draw_line(SurfaceId surface, const DrawingState& state, Point from, Point to, Colour colour) override;
  void set_pixel(SurfaceId surface, Point at, Colour colour) override;
  void draw_round_box(SurfaceId surface, const DrawingState& state, Rect box, int corner_width,
                      int corner_height, Colour outline, const Fill& fill) override;
  void draw_text(SurfaceId surface, const DrawingState& state, Point at, std::string_view text,
                 int extra) override;
  int text_width(SurfaceId, const DrawingState&, std::string_view text) override;
  int text_fit(SurfaceId, const DrawingState&, std::string_view text, int max_width) override;
  int line_height(SurfaceId, const DrawingState&) override { return kLineHeight; }
  bool draw_bitmap_file(SurfaceId surface, const std::string& path, Point at, int width, int height) override;

  // Drawing is recorded as one line of text a call, in order; only points are painted. Text is measured as
  // kCharWidth pixels a character and kLineHeight a line.
  static constexpr int kCharWidth = 8, kLineHeight = 16;
  std::vector<std::string> drawing;
  // Records the rename, then makes it.
  bool rename_file(const std::string& from, const std::string& to) override;
  LocalTime local_time() override { return now; }
  void pause_milliseconds(int ms) override { pauses_ms += ms; }
  bool shell_open(const std::string& path) override;
  bool serve_one_message() override;
  void start_command_interpreter(std::string_view parameters) override;

 private:
  Reply next_reply();
  SurfaceId next_surface_ = 1;
};

}  // namespace kal::test
