#include "tests/support/recording_platform.h"

#include "common/cp1252.h"
#include "common/halt.h"

namespace kal::test {

// Windows compares names without regard to case; a path without a drive or a leading backslash is relative.
std::string RecordingPlatform::resolve(const std::string& path) const {
  bool absolute = (path.size() >= 2 && path[1] == ':') || path.starts_with("\\");
  return absolute ? path : current_folder + path;
}

std::string RecordingPlatform::key(const std::string& path) const {
  return cp1252::lower(resolve(path));
}

void RecordingPlatform::put_file(const std::string& path, std::string bytes) {
  files_[key(path)] = File{resolve(path), std::move(bytes)};
}

const std::string* RecordingPlatform::file(const std::string& path) const {
  auto it = files_.find(key(path));
  return it == files_.end() ? nullptr : &it->second.bytes;
}

std::vector<std::pair<std::string, std::string>> RecordingPlatform::files_under(
    const std::string& folder) const {
  std::vector<std::pair<std::string, std::string>> out;
  const std::string prefix = cp1252::lower(folder);
  for (const auto& [key, f] : files_)
    if (key.starts_with(prefix) && key.find('\\', prefix.size()) == std::string::npos)
      out.emplace_back(f.name.substr(prefix.size()), f.bytes);
  return out;
}

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
  events.push_back({Event::Kind::MessageBox, std::string(title), std::string(text), buttons, {}});
  Reply r = next_reply();
  if (buttons == Buttons::Ok) return Answer::Ok;
  return r.kind == Reply::Kind::No ? Answer::No : Answer::Yes;
}

std::string RecordingPlatform::open_file_dialog(const OpenFileRequest& request) {
  events.push_back({Event::Kind::OpenDialog, {}, {}, Buttons::Ok, request});
  Reply r = next_reply();
  return r.kind == Reply::Kind::Type ? r.typed : std::string();
}

std::optional<std::string> RecordingPlatform::read_file(const std::string& path) {
  const std::string* bytes = file(path);
  if (bytes == nullptr) return std::nullopt;
  return *bytes;
}

bool RecordingPlatform::append_file(const std::string& path, std::string_view bytes) {
  auto it = files_.find(key(path));
  if (it == files_.end()) it = files_.emplace(key(path), File{resolve(path), {}}).first;
  it->second.bytes.append(bytes);
  return true;
}

bool RecordingPlatform::rename_file(const std::string& from, const std::string& to) {
  events.push_back({Event::Kind::Rename, from, to, Buttons::Ok, {}});
  auto it = files_.find(key(from));
  if (it == files_.end()) return false;
  const std::string to_key = key(to);
  if (to_key != it->first && files_.count(to_key) != 0) return false;
  File moved{resolve(to), std::move(it->second.bytes)};
  files_.erase(it);
  files_[to_key] = std::move(moved);
  return true;
}

bool RecordingPlatform::set_normal_attributes(const std::string& path) {
  return file(path) != nullptr;
}

bool RecordingPlatform::delete_file(const std::string& path) {
  return files_.erase(key(path)) != 0;
}

bool RecordingPlatform::shell_open(const std::string& path) {
  events.push_back({Event::Kind::ShellOpen, path, {}, Buttons::Ok, {}});
  return file(path) != nullptr;
}

bool RecordingPlatform::serve_window_messages() {
  ++message_rounds;
  if (window_closes_after >= 0 && message_rounds >= window_closes_after) end_program();
  return false;
}

void RecordingPlatform::start_command_interpreter(std::string_view parameters) {
  events.push_back({Event::Kind::CommandInterpreter, std::string(parameters), {}, Buttons::Ok, {}});
}

}  // namespace kal::test
