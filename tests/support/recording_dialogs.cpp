// The recording platform's dialogs: every box and dialog is recorded and answered from the queued replies.
#include "tests/support/recording_platform.h"

#include <algorithm>
#include <cstdint>
#include <set>

#include "common/cp1252.h"
#include "common/halt.h"

namespace kal::test {

std::vector<std::pair<std::string, std::string>> RecordingPlatform::boxes() const {
  std::vector<std::pair<std::string, std::string>> out;
  for (const Event& e : events)
    if (e.kind == Event::Kind::MessageBox) out.emplace_back(e.title, e.text);
  return out;
}

Reply RecordingPlatform::next_reply() {
  if (replies.empty()) return Reply{};
  Reply r = replies.front();
  replies.pop_front();
  return r;
}

Answer RecordingPlatform::message_box(std::string_view title, std::string_view text, Buttons buttons) {
  text = text.substr(0, text.find('\0'));  // as Windows shows it
  events.push_back({Event::Kind::MessageBox, std::string(title), std::string(text), buttons, {}});
  Reply r = next_reply();
  // The user closes the graphics window while the box waits: the box's loop serves it, and the program ends.
  if (r.kind == Reply::Kind::CloseWindow) end_program();
  if (buttons == Buttons::Ok) return Answer::Ok;
  return r.kind == Reply::Kind::No ? Answer::No : Answer::Yes;
}

std::string RecordingPlatform::open_file_dialog(const OpenFileRequest& request) {
  events.push_back({Event::Kind::OpenDialog, {}, {}, Buttons::Ok, request});
  Reply r = next_reply();
  return r.kind == Reply::Kind::Type ? r.typed : std::string();
}

std::string RecordingPlatform::input_dialog() {
  events.push_back({Event::Kind::InputDialog, "KAL", {}, Buttons::Ok, {}});
  Reply r = next_reply();
  if (r.kind == Reply::Kind::CloseWindow) end_program();
  // The dialog's edit field gives at most 255 characters.
  return r.kind == Reply::Kind::Type ? r.typed.substr(0, 255) : std::string();
}

}  // namespace kal::test
