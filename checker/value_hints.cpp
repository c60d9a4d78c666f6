#include "checker/value_hints.h"

#include <algorithm>

#include "checker/hints.h"
#include "common/cp1252.h"
#include "compiler/token_class.h"
#include "values/value.h"

namespace kal::check {
namespace {

// The operands of the file and folder words that are paths (1-based, after the function or command word).
struct PathOperands {
  std::string_view word;
  bool command;
  int first, second;  // second 0: one path
};
constexpr PathOperands kPathOperands[] = {
    {"LEERTEXTO", false, 1, 0}, {"LEERLINEATEXTO", false, 1, 0}, {"WOUT", false, 1, 0},
    {"ATRIBUTO", false, 1, 0},  {"NOMBRE", false, 1, 2},         {"COPIAF", false, 1, 2},
    {"BORRAF", false, 1, 0},    {"CARPETA", false, 1, 0},        {"EXISTE", false, 1, 0},
    {"PESOF", false, 1, 0},     {"LISTARFIC", false, 1, 0},      {"LISTARDIR", false, 1, 0},
    {"RUTABD", false, 1, 0},    {"grabarmemo", true, 1, 0},      {"leermapbit", true, 1, 0},
};

std::string line_text(std::size_t line) {
  return "la l\xEDnea " + std::to_string(line);
}

// What the join rules ask of a text literal: a text of digits and points alone is no general text.
bool joins(std::string_view literal) {
  return classify(literal) == ValueClass::General;
}

// Digits, "/", digits, "/", digits: 25/12/2026, 1/1/2026.
bool looks_like_date(std::string_view text) {
  int parts = 1;
  bool digit = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == '/' && digit) {
      ++parts;
      digit = false;
    } else {
      return false;
    }
  }
  return parts == 3 && digit;
}

}  // namespace

ValueFlow::Known ValueFlow::known(std::string_view variable) const {
  const auto it = variables_.find(variable);
  if (it != variables_.end()) return it->second;
  // Before the first label nothing can have jumped back: a variable not yet given a value is empty.
  Known k;
  if (!after_label_) k.kind = Kind::Empty;
  return k;
}

void ValueFlow::statement(const Statement& s, std::size_t line, const FieldAt& field_at,
                          std::vector<ValueWarning>& out) {
  line_ = line;
  const std::string_view shape = s.field(1);
  if (shape == ":") {
    // A label is where jumps arrive from anywhere: what a value was just before no longer holds. The blank of
    // a name stays, as names are mostly made once before a loop.
    for (auto& [name, k] : variables_) k.kind = Kind::Unknown;
    after_label_ = true;
    return;
  }
  if (shape.empty() || shape.front() == '\'' || shape.starts_with("BD")) return;
  join(s, field_at, out);
  date_arithmetic(s, field_at, out);
  weekday_comparison(s, field_at, out);
  file_operands(s, out);
  if (shape.front() == '&') assign(s, field_at);
}

void ValueFlow::join(const Statement& s, const FieldAt& field_at, std::vector<ValueWarning>& out) {
  const std::string_view shape = s.field(1);
  if (shape.size() != 4 || shape[0] != '&' || shape[2] != '+') return;
  const char a = shape[1], b = shape[3];
  const bool literal_after = b == '~' && (a == '&' || a == '@' || a == '#') && !joins(s.field(5));
  const bool literal_before = a == '~' && (b == '&' || b == '@') && !joins(s.field(3));
  auto no_class = [this, &s](std::size_t field) {
    const Kind k = known(s.field(field)).kind;
    return k == Kind::List || k == Kind::Empty;
  };
  const bool variable_first = a == '&' && no_class(3), variable_second = b == '&' && no_class(5);
  if (!literal_after && !literal_before && !variable_first && !variable_second) return;  // most joins
  const std::string target = written("&", s.field(2));
  const std::string first = written(std::string_view(&a, 1), s.field(3));
  const std::string second = written(std::string_view(&b, 1), s.field(5));
  // Messages are built by appending: GCC 12 sees overlaps that are not there in "text" + std::string.
  // A text literal after a value, or before one: the join needs it to be a general text.
  if (literal_after) {
    std::string m = second;
    m.append(
         " no se junta: un texto escrito de solo cifras y puntos no es un texto general, y la suma deja en ")
        .append(target)
        .append(" el valor de ")
        .append(first)
        .append(" sin nada detr\xE1s. ");
    if (s.field(5).find('.') != std::string_view::npos)
      m.append("Para terminar en punto, p\xF3ngalo dentro de un texto m\xE1s largo (")
          .append(target)
          .append(" := ")
          .append(first)
          .append(
              " + ~_fin.;): un punto solo tampoco se junta desde una variable (%CAR 46 da un punto que + "
              "deja "
              "igual)");
    else
      m.append("Para juntar cifras, p\xF3ngalas antes en una variable (&n := ")
          .append(s.field(5))
          .append("; ")
          .append(target)
          .append(" := ")
          .append(first)
          .append(" + &n;)");
    out.push_back({field_at(5), std::move(m)});
  }
  if (literal_before) {
    std::string m = first;
    m.append(" no es un texto general (solo cifras y puntos): la suma deja en ")
        .append(target)
        .append(" solo ")
        .append(first)
        .append(", sin juntarle ")
        .append(second)
        .append(". Ponga las cifras dentro de un texto m\xE1s largo (~N\xFAmero_")
        .append(s.field(3))
        .append("_ + ")
        .append(second)
        .append(")");
    out.push_back({field_at(3), std::move(m)});
  }
  // A variable known to hold a list or the empty text: the join keeps its first operand as it was.
  for (const std::size_t field : {std::size_t{3}, std::size_t{5}}) {
    if (!(field == 3 ? variable_first : variable_second)) continue;
    const Known k = known(s.field(field));
    const bool list = k.kind == Kind::List;
    const std::string& name = field == 3 ? first : second;
    std::string m = name;
    if (list)
      m.append(" tiene una lista (con |) desde ").append(line_text(k.line));
    else if (k.line == 0)
      m.append(" a\xFAn no ha recibido valor: es el texto vac\xEDo");
    else
      m.append(" es el texto vac\xEDo desde ").append(line_text(k.line));
    m.append(", que no es de ninguna clase y no se junta: la suma deja en ").append(target).append(" ");
    if (field == 5)
      m.append("el valor de ").append(first).append(" sin juntarle nada");
    else
      m.append(list ? "la lista tal cual" : "el texto vac\xEDo");
    if (list)
      m.append(". Para mostrarla, cambie antes las | por comas con %CAMBIARP");
    else
      m.append(". D\xE9le antes un valor (").append(name).append(" := ~Lista:;)");
    std::string unassigned;
    if (k.line == 0) unassigned.append("&").append(s.field(field));
    out.push_back({field_at(field), std::move(m), std::move(unassigned)});
  }
}

// A date is a text (08/12/2026): subtracting one leaves the first operand as it was, adding a number joins
// it.
void ValueFlow::date_arithmetic(const Statement& s, const FieldAt& field_at, std::vector<ValueWarning>& out) {
  const std::string_view shape = s.field(1);
  if (shape.size() < 4 || shape[0] != '&' || shape[1] != '&') return;
  const std::string_view op = shape.substr(2, shape.size() - 3);
  const char b = shape.back();
  if (!is_operator(op) || (b != '&' && b != 'v')) return;
  const bool first_date = known(s.field(3)).kind == Kind::Date;
  const bool second_date = b == '&' && known(s.field(5)).kind == Kind::Date;
  // "+" with a text is a join, which may be meant; with a number or another date it is a sum that cannot be.
  if (op == "+" ? !(first_date && (b == 'v' || second_date)) : !(first_date || second_date)) return;
  const std::size_t field = first_date ? 3 : 5;
  std::string m = written("&", s.field(field));
  m.append(
       " es una fecha, un texto (d\xED"
       "a/mes/a\xF1o) que no es un n\xFAmero: ")
      .append(op == "+" ? "sumarle un n\xFAmero lo junta detr\xE1s" : "la cuenta deja en ")
      .append(op == "+" ? "" : written("&", s.field(2)) + " el valor de " + written("&", s.field(3)))
      .append(
          ". Para contar d\xED"
          "as entre dos fechas, cuente cada una en d\xED"
          "as desde un origen fijo y reste "
          "los n\xFAmeros (el ejemplo dias.txt)");
  out.push_back({field_at(field), std::move(m)});
}

// %WEEKDAYNAME writes its names without accents: compared with an accented Sabado or Miercoles, a day never
// matches.
void ValueFlow::weekday_comparison(const Statement& s, const FieldAt& field_at,
                                   std::vector<ValueWarning>& out) {
  if (s.field(1) != ".&&") return;
  const std::string word = cp1252::lower(s.field(2));
  if (word != "cmp" && word != "dis") return;
  const Kind a = known(s.field(3)).kind, b = known(s.field(4)).kind;
  const std::size_t field = a == Kind::AccentedDay && b == Kind::Weekday   ? 3
                            : b == Kind::AccentedDay && a == Kind::Weekday ? 4
                                                                           : 0;
  if (field == 0) return;
  std::string m = written("&", s.field(field));
  m.append(
      " lleva un d\xED"
      "a con acento, y %WEEKDAYNAME escribe los d\xED"
      "as sin acentos (Miercoles, Sabado): la comparaci\xF3n no se cumple nunca. Escriba el d\xED"
      "a sin acento");
  out.push_back({field_at(field), std::move(m)});
}

void ValueFlow::file_operands(const Statement& s, std::vector<ValueWarning>& out) {
  const std::string_view shape = s.field(1);
  const bool command = shape.front() == '.';
  const bool function = shape.size() >= 2 && (shape[0] == '&' || shape[0] == '@') && shape[1] == '%';
  if (!command && !function) return;
  const std::string word = command ? cp1252::lower(s.field(2)) : std::string(s.field(3));
  const std::size_t before = command ? 2 : 3;  // the field of the word; operand n is field before + n
  for (const PathOperands& p : kPathOperands) {
    if (p.command != command || p.word != word) continue;
    for (const int n : {p.first, p.second}) {
      const std::size_t field = before + static_cast<std::size_t>(n);
      if (n == 0 || field > s.field_count || field - 2 >= shape.size() || shape[field - 2] != '&') continue;
      const Known k = known(s.field(field));
      if (k.blank_literal.empty() ||
          std::find(warned_blanks_.begin(), warned_blanks_.end(), k.blank_at) != warned_blanks_.end())
        continue;
      warned_blanks_.push_back(k.blank_at);
      out.push_back({k.blank_at, k.blank_literal +
                                     " lleva _, que KAL lee como un espacio: el nombre de fichero o carpeta "
                                     "que recibe " +
                                     (command ? "." : "%") + word + " en " + line_text(line_) +
                                     " lleva un espacio. Si quiere una raya baja, constr\xFAyala con %CAR 95 "
                                     "(&c := 95; &raya := %CAR &c;) y j\xFAntela al nombre"});
    }
  }
}

void ValueFlow::assign(const Statement& s, const FieldAt& field_at) {
  const std::string_view shape = s.field(1);
  const std::string target(s.field(2));
  const std::size_t line = line_;
  Known now;
  auto blank_of_literal = [&](std::size_t field) {
    if (s.field(field).find(' ') == std::string_view::npos) return false;
    now.blank_at = field_at(field);
    now.blank_literal = written("~", s.field(field));
    return true;
  };
  auto blank_of_variable = [&](std::size_t field) {
    const Known k = known(s.field(field));
    if (k.blank_literal.empty()) return false;
    now.blank_at = k.blank_at;
    now.blank_literal = k.blank_literal;
    return true;
  };
  if (shape == "&&") {
    now = known(s.field(3));
  } else if (shape == "&~") {
    const std::string lower = cp1252::lower(s.field(3));
    now.kind = looks_like_date(s.field(3)) ? Kind::Date
               : lower == "s\xE1"
                          "bado" ||
                       lower == "mi\xE9rcoles"
                   ? Kind::AccentedDay
                   : Kind::Other;
    now.line = line;
    blank_of_literal(3);
  } else if (shape == "&%&" && s.field(3) == "WEEKDAYNAME") {
    now.kind = Kind::Weekday;
    now.line = line;
  } else if (shape == "&%" && s.field(3) == "TODAY") {
    now.kind = Kind::Date;
    now.line = line;
  } else if (shape == "&v") {
    now.kind = s.field(3) == "0" ? Kind::Zero : Kind::Other;
    now.line = line;
  } else if (shape == "&%&" && s.field(3) == "METER") {
    // The first element of an empty list is no list yet; every later one makes one.
    const Kind before = known(target).kind;
    now.kind = before == Kind::Empty ? Kind::Other : before == Kind::Unknown ? Kind::Unknown : Kind::List;
    now.line = line;
  } else if (shape == "&%&" && s.field(3) == "CAR" && known(s.field(4)).kind == Kind::Zero) {
    now.kind = Kind::Empty;
    now.line = line;
  } else if (shape == "&&+~") {
    if (!blank_of_variable(3)) blank_of_literal(5);
  } else if (shape == "&~+&") {
    if (!blank_of_literal(3)) blank_of_variable(5);
  } else if (shape == "&&+&") {
    if (!blank_of_variable(3)) blank_of_variable(5);
  }
  variables_[target] = std::move(now);
}

void Uses::statement(const Statement& s, const ValueFlow::FieldAt& field_at) {
  const std::string_view shape = s.field(1);
  if (shape.empty() || shape.front() == '\'' || shape.starts_with("BD")) return;
  const std::vector<std::string_view> codes = shape_codes(shape);
  for (std::size_t k = 0; k < codes.size() && k + 2 <= s.field_count; ++k) {
    if (codes[k] != "&" && codes[k] != "@") continue;
    std::string name = std::string(codes[k]) + std::string(s.field(k + 2));
    if (k == 0 && (shape.front() == '&' || shape.front() == '@'))
      written_.insert(std::move(name));
    else
      first_read_.try_emplace(std::move(name), field_at(k + 2));
  }
}

std::vector<ValueWarning> Uses::never_written() const {
  std::vector<ValueWarning> out;
  for (const auto& [name, at] : first_read_)
    if (!written_.contains(name))
      out.push_back({at, name + " se lee pero nunca recibe valor: vale el texto vac\xEDo"});
  return out;
}

}  // namespace kal::check
