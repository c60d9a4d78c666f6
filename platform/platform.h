// The one seam between the portable interpreter and the operating system. Everything is said in the core's
// terms: texts are Windows-1252 bytes, paths are Windows paths, answers are the core's own enums.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// A Windows error code: 0 for success, otherwise what the system reported (2 file not found, 5 access
// denied, 183 already exists...).
using ErrorCode = std::uint32_t;

// File attribute bits, as Windows numbers them.
namespace attribute {
inline constexpr std::uint32_t kReadOnly = 1;
inline constexpr std::uint32_t kHidden = 2;
inline constexpr std::uint32_t kSystem = 4;
inline constexpr std::uint32_t kVolumeLabel = 8;
inline constexpr std::uint32_t kDirectory = 16;
inline constexpr std::uint32_t kArchive = 32;
inline constexpr std::uint32_t kNormal = 128;  // what Windows reports for a file with none of the others
}  // namespace attribute

// What the system knows of a file or folder without opening it.
struct FileInfo {
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;        // 0 for a folder
  std::uint64_t write_time = 0;  // when it was last written, in the system's ticks
  bool operator==(const FileInfo&) const = default;
};

// One entry of a directory search.
struct DirectoryEntry {
  std::string name;  // the long name, without its folder
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;
};

// A file open for reading, closed when destroyed.
class InputFile {
 public:
  virtual ~InputFile() = default;
  // Up to `size` bytes; 0 at the end of the file or when reading fails.
  virtual std::size_t read(char* buffer, std::size_t size) = 0;
  // Goes to a byte offset from the start; false when it cannot.
  virtual bool seek(std::uint64_t offset) = 0;
  // Reads until `size` bytes are in or the file ends; how many came.
  std::size_t read_fully(char* buffer, std::size_t size) {
    std::size_t got = 0;
    for (std::size_t n; got < size && (n = read(buffer + got, size - got)) != 0;) got += n;
    return got;
  }
};

// A file held for one read-then-write step that no other program can split: other programs may read it
// meanwhile, but none may write it or hold it. Released when destroyed.
class HeldFile {
 public:
  virtual ~HeldFile() = default;
  virtual std::uint64_t size() = 0;
  // Up to `size` bytes from a byte offset; fewer at the end of the file or when reading fails.
  virtual std::size_t read_at(std::uint64_t offset, char* buffer, std::size_t size) = 0;
  // All the bytes at a byte offset, in one write; false when not all of them were written.
  virtual bool write_at(std::uint64_t offset, std::string_view bytes) = 0;
  // Cuts the file back to a length.
  virtual bool truncate(std::uint64_t size) = 0;
};

// What Windows answers while another program holds a file, or a part of it.
inline constexpr ErrorCode kSharingViolation = 32;
inline constexpr ErrorCode kLockViolation = 33;

// A colour as Windows keeps it: 0x00BBGGRR, red in the low byte.
using Colour = std::uint32_t;
// A drawing surface the system keeps for the program: the graphics window's or an off-screen picture. 0 is
// none.
using SurfaceId = std::uint32_t;
enum class SystemColour { WindowText, ButtonFace };

// A font as a script asks for it.
struct FontSpec {
  std::string face;          // at most 31 characters
  long double points = 8;    // a size of 0 stands for 8
  bool cell_height = false;  // style bit 16: the size is negated, so it measures the whole character cell
  int weight = 400;
  bool italic = false, underline = false, strike_out = false;
  int escapement = 0;  // tenths of a degree, counter-clockwise
  bool operator==(const FontSpec&) const = default;
};

struct Point {
  int x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

struct DrawingState {
  Colour foreground = 0;
  Colour background = 0;
  bool transparent = false;      // nothing painted behind text and hatches, and clearing paints nothing
  int pen_width = 0;             // 0 draws one-pixel lines
  std::optional<FontSpec> font;  // the system's default font until a script chooses one
  Point position;
};

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom are outside
};

// How a box or ellipse is filled: a solid colour, one of the six hatch patterns (0 horizontal, 1 vertical,
// 2 and 3 diagonal, 4 cross, 5 diagonal cross) in a colour, or not at all.
struct Fill {
  enum class Kind { Solid, Hatch, Hollow };
  Kind kind = Kind::Solid;
  int hatch = 0;
  Colour colour = 0;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // The process: the full path of the running executable, and the folder it was started in.
  virtual std::string own_path() = 0;
  virtual std::string current_directory() = 0;

  // User interface. Message boxes have no owner window.
  virtual Answer message_box(std::string_view title, std::string_view text, Buttons buttons) = 0;
  // The chosen path, or an empty text when the user cancels.
  virtual std::string open_file_dialog(const OpenFileRequest& request) = 0;

  // The input dialog: the line the user typed, or the empty text when cancelled.
  virtual std::string input_dialog() = 0;

  virtual ScreenSize screen_size() = 0;

  // Graphics. Every call on a surface that does not exist does nothing.
  virtual Colour system_colour(SystemColour which) = 0;
  // Opens a graphics window whose client area is width x height pixels, with a drawing control of
  // (width - 1) x (height - 1) at its top-left; the control's surface.
  virtual SurfaceId open_window(int width, int height) = 0;
  // An off-screen picture compatible with the screen; 0 when it cannot be made.
  virtual SurfaceId create_picture(int width, int height) = 0;
  virtual void discard_picture(SurfaceId picture) = 0;
  // Paints the rectangle from (0, 0) of that size with one colour.
  virtual void fill(SurfaceId surface, int width, int height, Colour colour) = 0;
  // Copies the top-left width x height of a picture to (0, 0) of a window surface and repaints it at once.
  virtual void show_picture(SurfaceId picture, SurfaceId window, int width, int height) = 0;
  // A picture's pixels, row after row from the top.
  virtual std::vector<Colour> pixels(SurfaceId picture, int width, int height) = 0;

  // Drawing on a picture with its drawing state: the pen (solid, the state's width), the font, and for text
  // and hatches the background colour and mode. A line leaves its end point unpainted.
  virtual void draw_line(SurfaceId surface, const DrawingState& state, Point from, Point to,
                         Colour colour) = 0;
  virtual void set_pixel(SurfaceId surface, Point at, Colour colour) = 0;
  // A box with corners rounded by an ellipse of corner_width x corner_height (RoundRect).
  virtual void draw_round_box(SurfaceId surface, const DrawingState& state, Rect box, int corner_width,
                              int corner_height, Colour outline, const Fill& fill) = 0;
  // Text in the state's font and foreground colour, its top-left corner at `at`.
  virtual void draw_text(SurfaceId surface, const DrawingState& state, Point at, std::string_view text) = 0;
  // Measures in the state's font: a text's width; how many of its first characters fit in max_width; the
  // height of a text line (character height plus external leading).
  virtual int text_width(SurfaceId surface, const DrawingState& state, std::string_view text) = 0;
  virtual int text_fit(SurfaceId surface, const DrawingState& state, std::string_view text,
                       int max_width) = 0;
  virtual int line_height(SurfaceId surface, const DrawingState& state) = 0;
  // Extra pixels spread over the break characters of the text drawn next (SetTextJustification); it stays in
  // force until set again.
  virtual void set_text_justification(SurfaceId surface, int extra, int breaks) = 0;
  // Draws a bitmap file of width x height pixels with its top-left corner at `at`; false when it cannot be
  // loaded. The file is only read.
  virtual bool draw_bitmap_file(SurfaceId surface, const std::string& path, Point at, int width,
                                int height) = 0;

  // Files. Failures are reported, never thrown. Paths are full Windows paths.
  virtual std::optional<std::string> read_file(const std::string& path) = 0;
  // nullptr when the file cannot be opened.
  virtual std::unique_ptr<InputFile> open_input(const std::string& path) = 0;
  // Creates the file, or empties it first, and writes the bytes.
  virtual bool write_file(const std::string& path, std::string_view bytes) = 0;
  // Appends at the end, creating the file when missing.
  virtual bool append_file(const std::string& path, std::string_view bytes) = 0;
  // A file's or folder's attributes, length and last write, when it exists: one question where a statement
  // needs to know several of them.
  virtual std::optional<FileInfo> file_info(const std::string& path) = 0;
  // Opens a file to read and write it, creating it when missing, and holds it (see HeldFile); 0, or the error
  // when it cannot (kSharingViolation while another program holds it).
  virtual ErrorCode hold_file(const std::string& path, std::unique_ptr<HeldFile>& file) = 0;
  // The program's own rename: also when only the letter case changes.
  virtual bool rename_file(const std::string& from, const std::string& to) = 0;
  // Exactly these attribute bits; 0 makes a normal file.
  virtual ErrorCode set_attributes(const std::string& path, std::uint32_t bits) = 0;
  // Renames or moves a file or folder; an existing destination is not replaced.
  virtual ErrorCode move_file(const std::string& from, const std::string& to) = 0;
  // Copies a file, replacing an existing destination.
  virtual ErrorCode copy_file(const std::string& from, const std::string& to) = 0;
  virtual ErrorCode delete_file(const std::string& path) = 0;
  // One folder, whose parent must exist.
  virtual ErrorCode create_folder(const std::string& path) = 0;
  // The attributes of a file or folder, when it exists.
  virtual std::optional<std::uint32_t> attributes(const std::string& path) = 0;
  // Visits the entries matching a pattern ("*" and "?" allowed in its last part) in the order the system
  // gives them, "." and ".." included, until `visit` returns false. The error of a search that finds nothing,
  // else 0.
  virtual ErrorCode find_entries(const std::string& pattern,
                                 const std::function<bool(const DirectoryEntry&)>& visit) = 0;
  // The type of the drive with this letter's root: 2 removable, 3 fixed, 4 network, 5 CD, 1 none...
  virtual int drive_type(char letter) = 0;

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
