// Runs the interpreter core in this process over a case folder, with the recording platform standing in for
// Windows. The case driver uses it as the fast twin of running KAL.exe under Wine.
//
//   kal-host --dir DIR --exe NAME [--reply R]... [--arg A]...
//
// DIR's files appear in the program folder C:\kal\ (and are written back after the run); NAME is the
// executable's file name there. Replies answer the message boxes and dialogs in order: default, yes, no,
// cancel, or type:TEXT. The arguments form the command-line tail the way Wine builds one. Events are printed
// as JSON lines, texts in UTF-8.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "common/cp1252.h"
#include "common/halt.h"
#include "common/messages.h"
#include "launcher/startup.h"
#include "tests/support/recording_platform.h"

namespace fs = std::filesystem;
using kal::test::Reply;

namespace {

const std::string kFolder = "C:\\kal\\";
constexpr int kMaxInteractions = 200;  // a script that never stops asking is cut off, like a case timeout

std::string json(std::string_view cp1252_text) {
  std::string utf8 = kal::cp1252::to_utf8(cp1252_text);
  std::string out = "\"";
  for (unsigned char c : utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

class HostPlatform : public kal::test::RecordingPlatform {
 public:
  kal::Answer message_box(std::string_view title, std::string_view text, kal::Buttons buttons) override {
    text = text.substr(0, text.find('\0'));  // Windows shows a box's text up to its first NUL
    std::cout << "{\"event\":\"box\",\"title\":" << json(title) << ",\"text\":" << json(text) << "}\n";
    if (++interactions_ > kMaxInteractions) throw kal::Halt{99};
    return RecordingPlatform::message_box(title, text, buttons);
  }
  std::string open_file_dialog(const kal::OpenFileRequest& request) override {
    std::cout << "{\"event\":\"open-dialog\"}\n";
    if (++interactions_ > kMaxInteractions) throw kal::Halt{99};
    return RecordingPlatform::open_file_dialog(request);
  }
  // The host's clock, so that dates and random draws behave as they would on a real machine.
  kal::LocalTime local_time() override {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm t{};
    localtime_r(&seconds, &t);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_wday,
            t.tm_hour,        t.tm_min,     t.tm_sec,  static_cast<int>(ms)};
  }
  std::string input_dialog() override {
    std::cout << "{\"event\":\"window\",\"title\":\"KAL\"}\n";
    if (++interactions_ > kMaxInteractions) throw kal::Halt{99};
    return RecordingPlatform::input_dialog();
  }
  // The driver answers every window that appears; "close" closes the graphics window, which ends the program
  // the next time its messages are served.
  kal::SurfaceId open_window(int width, int height) override {
    std::cout << "{\"event\":\"window\",\"title\":\"" << kal::msg::kWindowTitle << "\"}\n";
    if (!replies.empty()) {
      if (replies.front().kind == Reply::Kind::CloseWindow) window_closes_after = message_rounds + 1;
      replies.pop_front();
    }
    return RecordingPlatform::open_window(width, height);
  }
  bool shell_open(const std::string& path) override {
    std::string shown = path.starts_with(kFolder) ? path.substr(kFolder.size()) : path;
    std::cout << "{\"event\":\"open\",\"path\":" << json(shown) << "}\n";
    return RecordingPlatform::shell_open(path);
  }

 private:
  int interactions_ = 0;
};

Reply parse_reply(const std::string& r) {
  if (r == "yes") return {Reply::Kind::Yes, {}};
  if (r == "no") return {Reply::Kind::No, {}};
  if (r == "cancel") return {Reply::Kind::Cancel, {}};
  if (r == "close") return {Reply::Kind::CloseWindow, {}};
  if (r.starts_with("type:")) return {Reply::Kind::Type, kal::cp1252::from_utf8(r.substr(5))};
  return {};
}

// The command line Wine builds from its arguments: blanks or quotes make an argument quoted, inner quotes
// escaped.
std::string command_tail(const std::vector<std::string>& args) {
  std::string tail;
  for (const std::string& a : args) {
    if (!tail.empty()) tail += ' ';
    if (!a.empty() && a.find_first_of(" \t\"") == std::string::npos) {
      tail += a;
      continue;
    }
    tail += '"';
    for (char c : a) {
      if (c == '"') tail += '\\';
      tail += c;
    }
    tail += '"';
  }
  return tail;
}

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

int main(int argc, char** argv) {
  fs::path dir;
  std::string exe = "KAL.exe";
  std::vector<std::string> args;
  HostPlatform platform;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string flag = argv[i], value = argv[i + 1];
    if (flag == "--dir") dir = value;
    if (flag == "--exe") exe = value;
    if (flag == "--reply") platform.replies.push_back(parse_reply(value));
    if (flag == "--arg") args.push_back(kal::cp1252::from_utf8(value));
  }
  if (dir.empty() || !fs::is_directory(dir)) {
    std::cerr << "kal-host: --dir must name a folder\n";
    return 2;
  }

  // The case folder's tree becomes the program folder; a file without write permission is read-only.
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    std::string relative = kal::cp1252::from_utf8(fs::relative(entry.path(), dir).string());
    std::replace(relative.begin(), relative.end(), '/', '\\');
    if (entry.is_directory()) {
      platform.put_folder(kFolder + relative);
    } else if (entry.is_regular_file()) {
      const bool writable = (entry.status().permissions() & fs::perms::owner_write) != fs::perms::none;
      platform.put_file(
          kFolder + relative, slurp(entry.path()),
          writable ? kal::attribute::kArchive : kal::attribute::kArchive | kal::attribute::kReadOnly);
    }
  }
  if (platform.file(kFolder + exe) == nullptr) platform.put_file(kFolder + exe, "MZ placeholder");
  platform.own_path_value = kFolder + exe;

  int code = kal::run_program(platform, command_tail(args));
  std::cout << "{\"event\":\"exit\",\"code\":" << code << "}\n";

  // Mirror the program folder back: what the run left, and nothing it deleted.
  for (const auto& entry : fs::directory_iterator(dir)) fs::remove_all(entry.path());
  for (const auto& node : platform.nodes_under(kFolder)) {
    std::string relative = node.path;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    const fs::path target = dir / kal::cp1252::to_utf8(relative);
    if ((node.attributes & kal::attribute::kDirectory) != 0) {
      fs::create_directories(target);
      continue;
    }
    std::ofstream(target, std::ios::binary) << node.bytes;
    if ((node.attributes & kal::attribute::kReadOnly) != 0)
      fs::permissions(target, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                      fs::perm_options::remove);
  }
  return 0;
}
