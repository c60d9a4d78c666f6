// The browser's dialogs: boxes and the input dialog drawn by the page, with the interpreter's own texts.
#include <string>

#include "common/messages.h"
#include "platform/web/web_imports.h"
#include "platform/web/web_platform.h"

namespace kal::web {
namespace {

std::string take_answer(int size) {
  if (size <= 0) return std::string();
  std::string answer(static_cast<std::size_t>(size), '\0');
  kal_js_take_answer(answer.data());
  return answer;
}

}  // namespace

Answer WebPlatform::message_box(std::string_view title, std::string_view text, Buttons buttons) {
  const int answer = kal_js_message_box(title.data(), length(title), text.data(), length(text),
                                        buttons == Buttons::YesNo ? 1 : 0);
  if (buttons == Buttons::Ok) return Answer::Ok;
  return answer == 1 ? Answer::Yes : Answer::No;
}

std::string WebPlatform::open_file_dialog(const OpenFileRequest& request) {
  // The page asks for a name among its files; the folder is the program's when the name has none.
  const std::string title = request.title.empty() ? std::string("Abrir") : request.title;
  const std::string prompt = request.filter_description + " (" + request.filter_pattern + ")";
  return take_answer(kal_js_input_dialog(title.data(), length(title), prompt.data(), length(prompt)));
}

std::string WebPlatform::input_dialog() {
  const std::string_view title = msg::kTitleKal, prompt = msg::kInputPrompt;
  return take_answer(kal_js_input_dialog(title.data(), length(title), prompt.data(), length(prompt)));
}

}  // namespace kal::web
