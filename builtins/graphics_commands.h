// The commands that open the graphics window, set the drawing state and handle the off-screen picture.
#pragma once

namespace kal {

class Interpreter;
struct Statement;

void run_ventana(Interpreter& in, const Statement& s);
void run_color(Interpreter& in, const Statement& s);
void run_posicion(Interpreter& in, const Statement& s);
void run_pluma(Interpreter& in, const Statement& s);
void run_fuente(Interpreter& in, const Statement& s);
void run_memograf(Interpreter& in, const Statement& s);
void run_reseteamemograf(Interpreter& in, const Statement& s);
void run_grabarmemo(Interpreter& in, const Statement& s);
void run_vergraf(Interpreter& in, const Statement& s);
void run_anulamemograf(Interpreter& in, const Statement& s);
void run_linea(Interpreter& in, const Statement& s);
void run_punto(Interpreter& in, const Statement& s);
void run_caja(Interpreter& in, const Statement& s);
void run_circulo(Interpreter& in, const Statement& s);
void run_textograf(Interpreter& in, const Statement& s);
void run_pintartexto(Interpreter& in, const Statement& s);
void run_leermapbit(Interpreter& in, const Statement& s);
void run_mesgraf(Interpreter& in, const Statement& s);

}  // namespace kal
