// The built-in functions as the dispatch table calls them: operand values in, result text out.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace kal {

class Interpreter;
using Operands = std::span<const std::string_view>;

// Text functions.
std::string fn_cambiarp(Interpreter&, Operands ops);
std::string fn_middlestring(Interpreter&, Operands ops);
std::string fn_splitdate(Interpreter&, Operands ops);
std::string fn_leftstring(Interpreter&, Operands ops);
std::string fn_rightstring(Interpreter&, Operands ops);
std::string fn_sacar(Interpreter&, Operands ops);
std::string fn_mask(Interpreter&, Operands ops);
std::string fn_car(Interpreter&, Operands ops);
std::string fn_may(Interpreter&, Operands ops);
std::string fn_min(Interpreter&, Operands ops);
std::string fn_pri(Interpreter&, Operands ops);
std::string fn_size(Interpreter&, Operands ops);
std::string fn_nif(Interpreter&, Operands ops);

// Numbers and random numbers.
std::string fn_abs(Interpreter&, Operands ops);
std::string fn_sqr(Interpreter&, Operands ops);
std::string fn_sin(Interpreter&, Operands ops);
std::string fn_cos(Interpreter&, Operands ops);
std::string fn_tan(Interpreter&, Operands ops);
std::string fn_atn(Interpreter&, Operands ops);
std::string fn_per(Interpreter&, Operands ops);
std::string fn_pow(Interpreter&, Operands ops);
std::string fn_rva(Interpreter&, Operands ops);
std::string fn_rnd(Interpreter& in, Operands ops);
std::string fn_rndf(Interpreter& in, Operands ops);
std::string fn_rndfstr(Interpreter& in, Operands ops);

// Dates and number notations.
std::string fn_today(Interpreter& in, Operands);
std::string fn_weekdayname(Interpreter&, Operands ops);
std::string fn_monthname(Interpreter&, Operands ops);
std::string fn_numb(Interpreter&, Operands ops);
std::string fn_ennumb(Interpreter&, Operands ops);
std::string fn_esnumb(Interpreter&, Operands ops);
std::string fn_spnumb(Interpreter&, Operands ops);

// Files, folders and drives.
std::string fn_leertexto(Interpreter& in, Operands ops);
std::string fn_leerlineatexto(Interpreter& in, Operands ops);
std::string fn_wout(Interpreter& in, Operands ops);
std::string fn_atributo(Interpreter& in, Operands ops);
std::string fn_nombre(Interpreter& in, Operands ops);
std::string fn_copiaf(Interpreter& in, Operands ops);
std::string fn_borraf(Interpreter& in, Operands ops);
std::string fn_carpeta(Interpreter& in, Operands ops);
std::string fn_existe(Interpreter& in, Operands ops);
std::string fn_pesof(Interpreter& in, Operands ops);
std::string fn_listarfic(Interpreter& in, Operands ops);
std::string fn_listardir(Interpreter& in, Operands ops);
std::string fn_listarunidad(Interpreter& in, Operands);

// The file database.
std::string fn_insertar(Interpreter& in, Operands ops);
std::string fn_rutabd(Interpreter& in, Operands ops);
std::string fn_posreg(Interpreter& in, Operands ops);
std::string fn_arreglon(Interpreter&, Operands ops);
std::string fn_totalreg(Interpreter& in, Operands);
std::string fn_record(Interpreter& in, Operands);

// Message boxes and the input dialog: aviso and objeto, the Yes/No question avisosino (statements of their
// own), and INPUTDATA.
struct Statement;
void run_message(Interpreter& in, const Statement& s);
void run_question(Interpreter& in, const Statement& s);
std::string fn_inputdata(Interpreter& in, Operands);

// System and screen.
std::string fn_sistemalog(Interpreter& in, Operands);
std::string fn_debug(Interpreter&, Operands);
std::string fn_screen_width(Interpreter& in, Operands);
std::string fn_screen_height(Interpreter& in, Operands);

// Fixed numbers: page sizes, alignment codes, colours.
template <long Value>
std::string fn_constant(Interpreter&, Operands) {
  return std::to_string(Value);
}

}  // namespace kal
