// The Platform over the Win32 API: the only place that includes windows.h.
#pragma once

#include <string>

#include "platform/platform.h"

namespace kal::win32 {

class Win32Platform final : public Platform {
 public:
  Win32Platform();
  ~Win32Platform() override;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  std::string own_path() override;
  Answer message_box(std::string_view title, std::string_view text, Buttons buttons) override;
  std::string open_file_dialog(const OpenFileRequest& request) override;
  ScreenSize screen_size() override;
  std::optional<std::string> read_file(const std::string& path) override;
  bool append_file(const std::string& path, std::string_view bytes) override;
  bool rename_file(const std::string& from, const std::string& to) override;
  std::unique_ptr<InputFile> open_input(const std::string& path) override;
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
  bool serve_window_messages() override;
  void start_command_interpreter(std::string_view parameters) override;

 private:
  void* timer_ = nullptr;    // a high-resolution waitable timer, when the system has them
  bool fine_sleep_ = false;  // the system timer was set to 1 ms for Sleep
};

// The command-line tail: everything after the program name and the blanks that follow it.
std::wstring command_tail(const wchar_t* command_line);

}  // namespace kal::win32
