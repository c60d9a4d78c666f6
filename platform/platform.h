// The one seam between the portable interpreter and the operating system. Everything is said in the core's
// terms: texts are Windows-1252 bytes, paths are Windows paths, answers are the core's own enums.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kal {

enum class Buttons { Ok, YesNo };
enum class Answer { Ok, Yes, No };

// What the open-file dialog is asked to show. Empty texts mean "the system's default".
struct OpenFileRequest {
  std::string title;
  std::string initial_folder;  // empty: the current directory
  std::string initial_name;
  std::string filter_description;
  std::string filter_pattern;
  std::string default_extension;
  bool file_must_exist = false;
  bool resizable = false;
  bool explorer_style = false;
  bool hide_read_only = false;
  bool keep_current_folder = false;
  std::size_t max_path = 0;  // longest path the caller can take
};

struct ScreenSize {
  int width = 0, height = 0;  // the desktop's right and bottom edges, in pixels
};

struct LocalTime {
  int year = 0, month = 0, day = 0, day_of_week = 0;  // day_of_week: 0 = Sunday
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // The process: the full path of the running executable.
  virtual std::string own_path() = 0;

  // User interface. Message boxes have no owner window.
  virtual Answer message_box(std::string_view title, std::string_view text, Buttons buttons) = 0;
  // The chosen path, or an empty text when the user cancels.
  virtual std::string open_file_dialog(const OpenFileRequest& request) = 0;

  virtual ScreenSize screen_size() = 0;

  // Files. Failures are reported, never thrown.
  virtual std::optional<std::string> read_file(const std::string& path) = 0;
  virtual bool append_file(const std::string& path, std::string_view bytes) = 0;
  virtual bool rename_file(const std::string& from, const std::string& to) = 0;
  virtual bool set_normal_attributes(const std::string& path) = 0;
  virtual bool delete_file(const std::string& path) = 0;

  // Time.
  virtual LocalTime local_time() = 0;
  // As close to the asked time as the system allows: a loop through a label pauses once per round.
  virtual void pause_milliseconds(int ms) = 0;

  // Windows of the program: serves the messages that are waiting; false when none was. Closing the program's
  // window ends the program from here.
  virtual bool serve_window_messages() = 0;

  // Shell: open a file with the program the user associates with it.
  virtual bool shell_open(const std::string& path) = 0;
  // Starts the system's command interpreter, hidden, with these parameters, and does not wait for it.
  // Failures are ignored.
  virtual void start_command_interpreter(std::string_view parameters) = 0;
};

}  // namespace kal
