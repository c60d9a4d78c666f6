#include "checker/token_hints.h"

#include <algorithm>

#include "checker/hints.h"
#include "common/cp1252.h"
#include "compiler/token_class.h"
#include "launcher/script_reader.h"

namespace kal::check {

std::size_t TokenHints::line_of_joined(std::size_t j) const {
  return lines_.at(origins_.at(j)).first;
}

std::size_t TokenHints::joined(std::string_view part) const {
  return static_cast<std::size_t>(part.data() - text_.data());
}

TokenHints::Break TokenHints::statement_break(std::size_t first, std::size_t last) const {
  const std::size_t begin = joined(tokens_[first]);
  const std::size_t end = joined(tokens_[last]) + tokens_[last].size();
  for (std::size_t j = begin + 1; j < end; ++j) {
    if (line_of_joined(j) == line_of_joined(j - 1)) continue;
    std::size_t k = j;
    while (k < end && (text_[k] == ' ' || text_[k] == '\n' || text_[k] == '\t')) ++k;
    if (k < end && std::string_view("&@.:[").find(text_[k]) != std::string_view::npos)
      return {line_of_joined(j - 1), line_of_joined(k)};
  }
  return {};
}
std::string TokenHints::falta(std::size_t line, bool capital) {
  return std::string(capital ? "F" : "f") + "alta un ; al final de la l\xEDnea " + std::to_string(line);
}
std::string TokenHints::missing_semicolon(std::size_t first, std::size_t last,
                                          std::optional<Fix>* fix) const {
  const Break b = statement_break(first, last);
  if (!b.found()) return {};
  if (fix != nullptr) {
    // After the line's last character that is no blank.
    const std::size_t end = joined(tokens_[last]) + tokens_[last].size();
    std::size_t last_char = joined(tokens_[first]);
    for (std::size_t j = last_char; j < end && line_of_joined(j) <= b.before; ++j)
      if (line_of_joined(j) == b.before && text_[j] != ' ' && text_[j] != '\n') last_char = j;
    *fix =
        Fix{"A\xF1"
            "adir ; al final de la l\xEDnea " +
                std::to_string(b.before),
            {Edit{origins_.at(last_char) + 1, 0, ";"}}};
  }
  std::string question = "\xBF";
  question += falta(b.before, true);
  return question + "?";
}

std::string TokenHints::split_text(std::size_t from, std::size_t to) const {
  for (std::size_t j = std::max<std::size_t>(from, 1); j <= to && j < tokens_.size(); ++j) {
    const std::string_view mark = tokens_[j];
    const std::string_view text = tokens_[j - 1];
    if (mark.size() != 1 || mark[0] == ';' || !text.starts_with('~') ||
        joined(text) + text.size() != joined(mark) ||
        detail::kCharKinds[static_cast<unsigned char>(mark[0])] != detail::CharKind::Punctuation)
      continue;
    return "El texto " + std::string(text) + " se corta en " + std::string(mark) +
           ": un texto no puede llevar " + std::string(mark) + " (constr\xFAyalo con " + car_call(mark[0]) +
           " y j\xFAntelo al resto)";
  }
  return {};
}

// "12,40": a number written with a decimal comma, which KAL reads as "12", a "," it refuses and "40".
std::string TokenHints::decimal_comma(std::size_t at, std::optional<Fix>* fix) const {
  if (at == 0 || tokens_[at] != ",") return {};
  std::string_view before = tokens_[at - 1];
  const std::size_t comma = joined(tokens_[at]);
  if (joined(before) + before.size() != comma) return {};
  if (before.starts_with('~')) before.remove_prefix(1);  // ~8,5: a number is written without ~
  if (!is_integer_literal(before) && !is_decimal_literal(before)) return {};
  std::size_t end = comma + 1;
  while (end < text_.size() && text_[end] >= '0' && text_[end] <= '9') ++end;
  if (end == comma + 1) return {};
  // A point before the comma is the Spanish thousands separator: 1.234,56 is 1234.56.
  std::string number(before);
  const bool thousands = number.find('.') != std::string::npos;
  number.erase(std::remove(number.begin(), number.end(), '.'), number.end());
  number.append(".").append(text_, comma + 1, end - comma - 1);
  // One edit when the number stands on one line of the file.
  const std::size_t from = joined(tokens_[at - 1]);
  if (origins_.unbroken(from, end - from) == end - from)
    *fix = Fix{"Escribir " + number, {Edit{origins_.at(from), end - from, number}}};
  return std::string("KAL escribe los decimales con punto") +
         (thousands ? " y sin separar los millares" : "") + ": " + number +
         ". Un dato con coma le\xED"
         "do de un fichero o tecleado en %INPUTDATA se cambia antes con %CAMBIARP "
         "(&c := 44; &coma := %CAR &c; &punto := ~.; &dato := %CAMBIARP &coma &punto &dato;)";
}

std::string TokenHints::refused(std::size_t first, std::size_t at, bool utf8, std::optional<Fix>* fix) const {
  if (std::string why = missing_semicolon(first, at, fix); !why.empty()) return why;
  if (std::string why = decimal_comma(at, fix); !why.empty()) return why;
  if (std::string why = split_text(first == 0 ? 0 : first - 1, at); !why.empty()) return why;
  const std::string_view token = tokens_[at];
  if (at > first && is_command_word(tokens_[at - 1]) &&
      is_jump_word(cp1252::lower(tokens_[at - 1].substr(1))) && is_plain_name(token))
    return "Las etiquetas empiezan por : (" + std::string(tokens_[at - 1]) + " :" + std::string(token) + ";)";
  if (token.starts_with('~'))
    // In a file saved as UTF-8 the cure is saving it again, not %CAR.
    if (const char c = first_refused_text_char(cut_token(token)); c != 0 && !(utf8 && (c & 0x80)))
      return "Un texto no puede llevar " + shown(c) + ": constr\xFAyalo con " + car_call(c) +
             " y j\xFAntelo al resto";
  if (token.starts_with('=')) {
    if (token == "=") *fix = Fix{"Escribir :=", {Edit{origins_.at(joined(token)), 1, ":="}}};
    return std::string(kDidYouMean) + ":=? La asignaci\xF3n se escribe :=";
  }
  if (token == "|") {
    const std::string list = tokens_[first].starts_with('&') ? std::string(tokens_[first]) : "&lista";
    return "Una lista no se escribe con |: se construye elemento a elemento con %METER (&x := 120; " + list +
           " := %METER &x;)";
  }
  if (token == "~")
    return "No hay texto vac\xEDo: ~ solo no es nada. El texto vac\xEDo es %CAR de 0 (&cero := 0; "
           "&vacio := %CAR &cero;)";
  if (tokens_[first].starts_with('\'') && at > first &&
      (token.find('^') != std::string_view::npos || token.find('\'') != std::string_view::npos))
    return "Un comentario no puede llevar ^, ni un ' dentro de una palabra (tampoco \" ni |): "
           "qu\xEDtelo o d\xEDgalo con otras palabras";
  if (const std::string capitals = cp1252::upper(token); capitals == "DIV" || capitals == "MOD")
    return "Los operadores se escriben en may\xFAsculas: " + capitals;
  if (token == ".")
    return "Un punto suelto no es ninguna palabra, tampoco en un comentario: qu\xEDtelo o p\xE9guelo a "
           "otra";
  if (!token.empty() && is_plain_name(token) && !is_integer_literal(token))
    return "Una palabra sin signo delante: las variables empiezan por &, las constantes por @, los textos "
           "por "
           "~ y las etiquetas por :";
  return {};
}

std::string TokenHints::shown(char c) {
  const auto b = static_cast<unsigned char>(c);
  const bool invisible =
      b < 0x20 || b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
  return invisible ? "el car\xE1"
                     "cter de c\xF3"
                     "digo " +
                         std::to_string(b)
                   : std::string(1, c);
}

Fix fin_fix(std::string_view bytes) {
  const std::string eol = line_end_of(bytes);
  const bool ended = !bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r');
  return {
      "A\xF1"
      "adir .fin; al final",
      {Edit{bytes.size(), 0, (ended ? "" : eol) + ".fin;" + eol}}};
}

}  // namespace kal::check
