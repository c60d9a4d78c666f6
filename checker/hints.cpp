#include "checker/hints.h"

#include <algorithm>
#include <numeric>

#include "common/cp1252.h"
#include "compiler/label_table.h"
#include "compiler/token_class.h"
#include "interp/dispatch_table.h"

namespace kal::check {
namespace {

// What each shape code is, alone and with its article ("el operando 2 es un n\xFAmero"); an operator stands
// for itself.
struct CodeName {
  std::string_view code, word, noun;
};
constexpr CodeName kCodeNames[] = {
    {"&", "variable", "una variable"},
    {"@", "constante", "una constante"},
    {"#", "campo", "un campo"},
    {"~", "texto", "un texto"},
    {"%", "funci\xF3n", "una funci\xF3n"},
    {".", "orden", "una orden"},
    {":", "etiqueta", "una etiqueta"},
    {"v", "n\xFAmero", "un n\xFAmero"},
    {"m", "m\xE1scara", "una m\xE1scara"},
    {"c", "palabra", "una palabra"},
    {"'", "comentario", "un comentario"},
    {"BD", "base de datos", "una base de datos"},
};

const CodeName* code_name(std::string_view code) {
  for (const CodeName& c : kCodeNames)
    if (c.code == code) return &c;
  return nullptr;
}

std::string_view code_word(std::string_view code) {
  const CodeName* c = code_name(code);
  return c ? c->word : code;
}

std::string_view code_noun(std::string_view code) {
  const CodeName* c = code_name(code);
  return c ? c->noun : "un signo";
}

std::string operands_text(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " operando" : " operandos");
}

// How many operands the shapes of a keyword family take: after "&%" for functions, after "." for commands.
std::size_t operand_count(const Family& family) {
  const std::size_t prefix = family.keyword_at == KeywordAt::Field3 ? 2 : 1;
  return family.shapes.front().size() - prefix;
}

// What to write instead of an operand that is not a variable.
std::string instead(std::string_view code, const std::string& operand) {
  if (code == "@")
    return "una constante solo se junta con un texto, no se copia en una variable: use una variable, &" +
           operand.substr(1) + ", en lugar de la constante";
  if (code == "#") return "lea antes el campo en una variable (&v := " + operand + ";)";
  return "p\xF3ngalo antes en una variable (&v := " + operand + ";)";
}

// A literal or a field that an assignment can put in a variable as it is (a constant cannot be copied).
bool liftable(std::string_view code) {
  return code == "~" || code == "v" || code == "m" || code == "#";
}

bool constant_function(std::string_view word) {
  for (const Family& f : dispatch_families())
    if (f.keyword_at == KeywordAt::Field3 && f.shapes.front().front() == '@')
      for (const Keyword& k : f.keywords)
        if (k.word == word) return true;
  return false;
}

// A command or function word whose family is known: the operands' count and kinds.
std::string operands_hint(const Statement& s, const std::vector<std::string_view>& codes, std::size_t prefix,
                          KeywordAt at, const std::string& word, std::size_t& field,
                          Replacement* replacement) {
  const bool function = at == KeywordAt::Field3;
  const std::string kind = function ? "La funci\xF3n %" : "La orden .";
  const char sigil = function ? '%' : '.';
  const Family* found = nullptr;
  std::vector<std::string> names;
  for (const Family& f : dispatch_families()) {
    if (f.keyword_at != at || (function && f.shapes.front().front() == '@')) continue;
    for (const Keyword& k : f.keywords) {
      if (k.word == word && found == nullptr) found = &f;
      names.emplace_back(k.word);
    }
  }
  if (found == nullptr) {
    const std::string capitals = cp1252::upper(word);
    if (function && std::find(names.begin(), names.end(), capitals) != names.end())
      return "Las funciones se escriben en may\xFAsculas: %" + capitals;
    if (std::string near = nearest_name(word, names); !near.empty()) {
      if (replacement != nullptr) *replacement = {function ? 3u : 2u, sigil + near};
      return std::string(kDidYouMean) + sigil + near + "?";
    }
    return (function ? "No hay ninguna funci\xF3n %" : "No hay ninguna orden .") + word;
  }
  if (codes[0] == "@" && !constant_function(word))
    return "Solo %TODAY, %DEBUG y %RECORD dan valor a una constante: guarde el resultado de %" + word +
           " en una variable";
  const std::size_t wanted = operand_count(*found);
  if (codes.size() - prefix != wanted) return kind + word + " lleva " + operands_text(wanted);
  for (std::size_t k = prefix; k < codes.size(); ++k) {
    if (codes[k] == "&") continue;
    const std::string operand = written(codes[k], s.field(k + 2));
    field = k + 2;
    if (replacement != nullptr && liftable(codes[k])) *replacement = {field, {}, true};
    return "El operando " + std::to_string(k - prefix + 1) + " de " + std::string(1, sigil) + word + " es " +
           std::string(code_noun(codes[k])) + " (" + operand + "): las " +
           (function ? "funciones" : "\xF3rdenes") + " solo toman variables; " + instead(codes[k], operand);
  }
  return {};
}

std::size_t edit_distance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  std::iota(row.begin(), row.end(), std::size_t{0});
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::string written(std::string_view code, std::string_view field) {
  std::string out = code.size() == 1 && std::string_view("&@#~%.:").find(code[0]) != std::string_view::npos
                        ? std::string(code)
                        : std::string();
  return out + as_written(field);
}

std::vector<std::string_view> shape_codes(std::string_view shape) {
  std::vector<std::string_view> codes;
  for (std::size_t i = 0; i < shape.size();) {
    const std::size_t length = is_operator(shape.substr(i, 3)) ? 3 : shape.substr(i, 2) == "BD" ? 2 : 1;
    codes.push_back(shape.substr(i, length));
    i += length;
  }
  return codes;
}

std::string shape_in_words(const Statement& s) {
  const std::vector<std::string_view> codes = shape_codes(s.field(1));
  std::string out;
  for (std::string_view code : codes) {
    if (!out.empty()) out += ", ";
    out += code_word(code);
  }
  return out;
}

bool is_jump_word(std::string_view word) {
  // The words of the family whose statements name a label.
  for (const Family& f : dispatch_families())
    if (f.keyword_at == KeywordAt::Field2Lower && f.shapes.front() == ".:")
      for (const Keyword& k : f.keywords)
        if (k.word == word) return true;
  return false;
}

std::string statement_hint(const Statement& s, std::size_t& field, Replacement* replacement) {
  field = 0;
  const std::string_view shape = s.field(1);
  const std::vector<std::string_view> codes = shape_codes(shape);
  if (codes.empty()) return {};
  if (codes[0] == ".") {
    const std::string word = cp1252::lower(s.field(2));
    if (is_jump_word(word))
      return "Los saltos llevan una etiqueta, que empieza por : (." + word + " :vuelta;)";
    return operands_hint(s, codes, 1, KeywordAt::Field2Lower, word, field, replacement);
  }
  if (codes[0] != "&" && codes[0] != "@") return {};
  if (codes.size() >= 2 && codes[1] == "%")
    return operands_hint(s, codes, 2, KeywordAt::Field3, std::string(s.field(3)), field, replacement);
  const auto operators =
      std::count_if(codes.begin(), codes.end(), [](std::string_view c) { return is_operator(c); });
  // "-" always stands alone, so "-12" is "-" and "12": a negative number cannot be written.
  const std::string target = written(codes[0], s.field(2));
  const bool negative_alone = codes.size() == 3 && codes[1] == "-" && codes[2] == "v";
  const bool negative_second =
      codes.size() == 5 && is_operator(codes[2]) && codes[3] == "-" && codes[4] == "v";
  if (negative_alone || negative_second) {
    const std::string number(s.field(negative_alone ? 4 : 6));
    field = negative_alone ? 3 : 5;  // its "-"
    return "-" + number +
           " no es un n\xFAmero: KAL no escribe n\xFAmeros negativos. Haga el negativo restando "
           "de cero (&cero := 0; " +
           target + " := &cero - " + number + ";)" +
           (negative_second ? ", o cambie la cuenta (restar -" + number + " es sumar " + number + ")" : "");
  }
  if (operators > 1)
    return "Cada sentencia hace una sola operaci\xF3n: guarde el resultado parcial en una variable y siga en "
           "otra sentencia (&t := &a + &b; &t := &t + &c;)";
  for (std::size_t k = 1; k < codes.size(); ++k) {
    if (codes[k] != "@") continue;
    const std::string constant = written("@", s.field(k + 2));
    field = k + 2;
    return constant + " es una constante: solo se junta con un texto (&r := " + constant +
           " + ~texto;); para hacer cuentas o copiar su valor use una variable, &" + constant.substr(1) +
           ", en lugar de la constante";
  }
  if (codes[0] == "@" && codes.size() == 2 && codes[1] == "&")
    return "Una constante recibe un n\xFAmero, un texto, un campo o %TODAY, no una variable: use una "
           "variable, &" +
           std::string(s.field(2)) + ", en lugar de la constante";
  if (operators == 1 && codes.size() == 4 && codes[1] != "&" && codes[1] != "~") {
    field = 3;
    if (replacement != nullptr && liftable(codes[1])) *replacement = {field, {}, true};
    return "Una cuenta empieza por una variable: ponga antes " + written(codes[1], s.field(3)) +
           " en una variable (&v := " + written(codes[1], s.field(3)) + ";)";
  }
  return {};
}

char first_refused_text_char(std::string_view token) {
  for (std::size_t i = 1; i < token.size(); ++i)
    if (!is_text_literal(std::string("~") + token[i])) return token[i];
  return 0;
}

std::string car_call(char c) {
  return "%CAR " + std::to_string(static_cast<unsigned char>(c));
}

std::string nearest_name(std::string_view name, const std::vector<std::string>& names) {
  const std::size_t allowed = name.size() <= 4 ? 1 : 2;
  std::string best;
  std::size_t best_distance = allowed + 1;
  for (const std::string& candidate : names) {
    const std::size_t d = edit_distance(name, candidate);
    if (d > 0 && d < best_distance) {
      best = candidate;
      best_distance = d;
    }
  }
  return best;
}

std::vector<std::string> label_names(const PreparedStatements& statements) {
  std::vector<std::string> names;
  for (std::size_t i = 1; i <= statements.size(); ++i)
    if (LabelTable::is_label_statement(statements.at(i).record()) &&
        LabelTable::registers(statements.at(i).record()))
      names.push_back(as_written(statements.at(i).field(2)));
  return names;
}

}  // namespace kal::check
