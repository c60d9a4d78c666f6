#include <algorithm>

#include "builtins/builtins.h"
#include "builtins/file_rules.h"
#include "builtins/graphics_commands.h"
#include "builtins/numeric_functions.h"
#include "interp/interpreter.h"
#include "values/number_reading.h"

namespace kal {
namespace {

// Operands are fields 3 on: variables declared, read as text and taken as rounded whole numbers.
std::string_view text(Interpreter& in, const Statement& s, std::size_t operand) {
  return in.read(in.variables, s, 2 + operand);
}
int whole(Interpreter& in, const Statement& s, std::size_t operand) {
  return read_whole_number(text(in, s, operand));
}
// Whole numbers that are used beyond 32 bits: colours, fill styles, corners, alignments, dates.
std::int64_t long_whole(Interpreter& in, const Statement& s, std::size_t operand) {
  return read_long_whole_number(text(in, s, operand));
}

float single(Interpreter& in, const Statement& s, std::size_t operand) {
  return to_single(read_number(text(in, s, operand)));
}

// The four corners that caja and circulo share, read in order.
Graphics::Box box_operands(Interpreter& in, const Statement& s) {
  Graphics::Box b;
  b.x1 = single(in, s, 1);
  b.y1 = single(in, s, 2);
  b.x2 = single(in, s, 3);
  b.y2 = single(in, s, 4);
  return b;
}

}  // namespace

void run_ventana(Interpreter& in, const Statement& s) {
  const int width = read_short_whole_number(text(in, s, 1));
  const int height = read_short_whole_number(text(in, s, 2));
  in.graphics.open_window(width, height);
  // A window the system could not put on screen cannot be closed: the end must not wait for it.
  in.window_open = in.platform().window_made();
}

void run_color(Interpreter& in, const Statement& s) {
  const std::int64_t foreground = long_whole(in, s, 1);
  in.graphics.set_colours(foreground, long_whole(in, s, 2));
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
  in.graphics.create_picture(width, height, long_whole(in, s, 3));
}

void run_reseteamemograf(Interpreter& in, const Statement& s) {
  in.graphics.clear_picture(long_whole(in, s, 1));
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

void run_linea(Interpreter& in, const Statement& s) {
  const int x1 = whole(in, s, 1), y1 = whole(in, s, 2);
  const int x2 = whole(in, s, 3), y2 = whole(in, s, 4);
  in.graphics.draw_line({x1, y1}, {x2, y2}, long_whole(in, s, 5));
}

void run_punto(Interpreter& in, const Statement& s) {
  const int x = whole(in, s, 1), y = whole(in, s, 2);
  in.graphics.draw_point({x, y}, long_whole(in, s, 3));
}

void run_caja(Interpreter& in, const Statement& s) {
  Graphics::Box b = box_operands(in, s);
  const std::int64_t corner = long_whole(in, s, 5);
  b.colour = long_whole(in, s, 6);
  b.fill_colour = long_whole(in, s, 7);
  b.fill_style = long_whole(in, s, 8);
  in.graphics.draw_box(b, corner);
}

void run_circulo(Interpreter& in, const Statement& s) {
  Graphics::Box b = box_operands(in, s);
  b.colour = long_whole(in, s, 5);
  b.fill_colour = long_whole(in, s, 6);
  b.fill_style = long_whole(in, s, 7);
  in.graphics.draw_ellipse(b);
}

void run_textograf(Interpreter& in, const Statement& s) {
  in.graphics.draw_text_line(text(in, s, 1));
}

void run_pintartexto(Interpreter& in, const Statement& s) {
  const std::string block(text(in, s, 1));
  const std::int64_t alignment = long_whole(in, s, 2);
  const int x = whole(in, s, 3), y = whole(in, s, 4);
  const int width = read_short_whole_number(text(in, s, 5));
  text(in, s, 6);  // the height: read like every operand, used by nothing
  const std::string name(text(in, s, 7));
  const long double size = read_number(text(in, s, 8));
  const FontSpec font = make_font(name, size, long_whole(in, s, 9), 0);
  in.graphics.draw_text_block(block, alignment, {x, y}, width, font);
}

void run_leermapbit(Interpreter& in, const Statement& s) {
  const std::string path = resolve_path(in.program_folder(), text(in, s, 1));
  const int x = whole(in, s, 2);
  in.graphics.draw_bitmap(path, {x, whole(in, s, 3)});
}

void run_mesgraf(Interpreter& in, const Statement& s) {
  Graphics::Month m;
  m.year = long_whole(in, s, 1);
  m.month = long_whole(in, s, 2);
  m.at.x = whole(in, s, 3);
  m.at.y = whole(in, s, 4);
  m.outline = long_whole(in, s, 5);
  m.fill = long_whole(in, s, 6);
  m.font_name = std::string(text(in, s, 7));
  m.size = read_short_whole_number(text(in, s, 8));
  in.graphics.draw_month(m);
}

}  // namespace kal
