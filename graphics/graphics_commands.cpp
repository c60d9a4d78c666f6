#include <algorithm>

#include "builtins/builtins.h"
#include "builtins/file_rules.h"
#include "builtins/number_reading.h"
#include "graphics/graphics_commands.h"
#include "interp/interpreter.h"

namespace kal {
namespace {

// Operands are fields 3 on: variables declared, read as text and taken as rounded whole numbers.
std::string_view text(Interpreter& in, const Statement& s, std::size_t operand) {
  return in.read(in.variables, s.field(2 + operand));
}
int whole(Interpreter& in, const Statement& s, std::size_t operand) {
  return read_whole_number(text(in, s, operand));
}
std::int64_t colour(Interpreter& in, const Statement& s, std::size_t operand) {
  return read_long_whole_number(text(in, s, operand));
}

}  // namespace

void run_ventana(Interpreter& in, const Statement& s) {
  const int width = read_short_whole_number(text(in, s, 1));
  const int height = read_short_whole_number(text(in, s, 2));
  in.graphics.open_window(width, height);
  in.window_open = true;
}

void run_color(Interpreter& in, const Statement& s) {
  const std::int64_t foreground = colour(in, s, 1);
  in.graphics.set_colours(foreground, colour(in, s, 2));
}

void run_posicion(Interpreter& in, const Statement& s) {
  const int x = whole(in, s, 1);
  in.graphics.set_position(x, whole(in, s, 2));
}

void run_pluma(Interpreter& in, const Statement& s) {
  in.graphics.set_pen_width(whole(in, s, 1));
}

void run_fuente(Interpreter& in, const Statement& s) {
  const std::string name(text(in, s, 1));
  const long double size = read_number(text(in, s, 2));  // used as it is, not rounded
  const std::int64_t style = read_long_whole_number(text(in, s, 3));
  in.graphics.set_font(make_font(name, size, style, read_number(text(in, s, 4))));
}

void run_memograf(Interpreter& in, const Statement& s) {
  const int width = whole(in, s, 1);
  const int height = whole(in, s, 2);
  in.graphics.create_picture(width, height, colour(in, s, 3));
}

void run_reseteamemograf(Interpreter& in, const Statement& s) {
  in.graphics.clear_picture(colour(in, s, 1));
}

void run_grabarmemo(Interpreter& in, const Statement& s) {
  in.graphics.save_picture(resolve_path(in.program_folder(), text(in, s, 1)));
}

// Each frame also lets the window handle one message, so it stays responsive while a script animates.
void run_vergraf(Interpreter& in, const Statement&) {
  in.graphics.show_picture();
  if (!in.platform().serve_one_message()) in.platform().pause_milliseconds(1);
}

void run_anulamemograf(Interpreter& in, const Statement&) {
  in.graphics.release_target();
}

}  // namespace kal
