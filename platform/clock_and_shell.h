// The platform's clock, screen and shell, and the serving of the program's windows.
#pragma once

#include <string>
#include <string_view>

namespace kal {

struct ScreenSize {
  int width = 0, height = 0;  // the desktop's right and bottom edges, in pixels
};

struct LocalTime {
  int year = 0, month = 0, day = 0, day_of_week = 0;  // day_of_week: 0 = Sunday
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

class ClockAndShell {
 public:
  virtual ~ClockAndShell() = default;

  // The desktop.
  virtual ScreenSize screen_size() = 0;

  // Time.
  virtual LocalTime local_time() = 0;
  // As close to the asked time as the system allows: a loop through a label pauses once per round.
  virtual void pause_milliseconds(int ms) = 0;

  // Windows of the program: serves one waiting message; false when none was. Closing the graphics window ends
  // the program from here (and from the message boxes and the input dialog, whose loops serve it too).
  virtual bool serve_one_message() = 0;

  // Shell: open a file with the program the user associates with it.
  virtual bool shell_open(const std::string& path) = 0;
  // Starts the system's command interpreter, hidden, with these parameters, and does not wait for it.
  // Failures are ignored.
  virtual void start_command_interpreter(std::string_view parameters) = 0;
};

}  // namespace kal
