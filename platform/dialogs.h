// The platform's dialogs: message boxes, the open-file dialog and the input dialog. Texts are Windows-1252
// bytes.
#pragma once

#include <cstddef>
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

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // User interface. Message boxes have no owner window.
  virtual Answer message_box(std::string_view title, std::string_view text, Buttons buttons) = 0;
  // The chosen path, or an empty text when the user cancels.
  virtual std::string open_file_dialog(const OpenFileRequest& request) = 0;

  // The input dialog: the line the user typed, or the empty text when cancelled.
  virtual std::string input_dialog() = 0;
};

}  // namespace kal
