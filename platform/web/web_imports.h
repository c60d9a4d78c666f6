// What the page provides to the browser's platform (kal_library.js). Texts cross as Windows-1252 bytes with
// their lengths; colours as 0x00BBGGRR. The calls marked as waiting suspend the run until the page answers.
#pragma once

#include <cstdint>
#include <string_view>

namespace kal::web {
// Codes that cross to the page as numbers; web/src/surfaces.js has the same table (FILL, SYSTEM_COLOUR).
enum class JsFill : int { Solid = 0, Hatch = 1, Hollow = 2 };
enum class JsSystemColour : int { WindowText = 0, ButtonFace = 1 };
}  // namespace kal::web

extern "C" {
// Waiting.
int kal_js_message_box(const char* title, int title_length, const char* text, int text_length, int yes_no);
int kal_js_input_dialog(const char* title, int title_length, const char* prompt, int prompt_length);
void kal_js_pause(int ms);
void kal_js_step(int statement);
void kal_js_halt();
int kal_js_draw_bitmap(int surface, const char* bytes, int length, int x, int y, int width, int height);
// The answer of the last dialog, copied into a buffer of kal_js_input_dialog's length.
void kal_js_take_answer(char* buffer);

int kal_js_screen(int* size);
void kal_js_local_time(int* parts);
int kal_js_shell_open(const char* path, int length);
void kal_js_command_interpreter(const char* parameters, int length);

std::uint32_t kal_js_system_colour(int which);  // a JsSystemColour
int kal_js_open_window(int width, int height);
int kal_js_create_picture(int width, int height);
void kal_js_discard_picture(int picture);
void kal_js_fill(int surface, int width, int height, std::uint32_t colour);
void kal_js_show_picture(int picture, int window, int width, int height);
void kal_js_pixels(int picture, int width, int height, std::uint32_t* out);
void kal_js_line(int surface, int x1, int y1, int x2, int y2, std::uint32_t colour, int pen_width);
void kal_js_set_pixel(int surface, int x, int y, std::uint32_t colour);
void kal_js_round_box(int surface, int left, int top, int right, int bottom, int corner_width,
                      int corner_height, std::uint32_t outline, int pen_width, int fill_kind /* JsFill */,
                      int hatch, std::uint32_t fill_colour, std::uint32_t background, int transparent);
// The font and colours of the text calls that follow on a surface; a face of length 0 is the system's font.
void kal_js_text_state(int surface, const char* face, int face_length, int height, int weight, int italic,
                       int underline, int strike_out, int escapement, std::uint32_t foreground,
                       std::uint32_t background, int transparent);
void kal_js_text(int surface, int x, int y, const char* text, int length, int extra);
int kal_js_text_width(int surface, const char* text, int length);
int kal_js_text_fit(int surface, const char* text, int length, int max_width);
int kal_js_line_height(int surface);
}

namespace kal::web {
// A text's length as the page's calls take it.
inline int length(std::string_view text) {
  return static_cast<int>(text.size());
}
}  // namespace kal::web
