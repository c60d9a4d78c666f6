// The browser's clock, screen and shell.
#include "platform/web/web_imports.h"
#include "platform/web/web_platform.h"

namespace kal::web {

ScreenSize WebPlatform::screen_size() {
  int size[2] = {0, 0};
  kal_js_screen(size);
  return {size[0], size[1]};
}

LocalTime WebPlatform::local_time() {
  int p[8] = {};
  kal_js_local_time(p);
  return {p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]};
}

void WebPlatform::pause_milliseconds(int ms) {
  kal_js_pause(ms);
}

bool WebPlatform::shell_open(const std::string& path) {
  return kal_js_shell_open(path.data(), length(path)) != 0;
}

void WebPlatform::start_command_interpreter(std::string_view parameters) {
  kal_js_command_interpreter(parameters.data(), length(parameters));
}

}  // namespace kal::web
