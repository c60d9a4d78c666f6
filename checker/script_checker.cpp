#include "checker/script_checker.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <span>

#include "checker/hints.h"
#include "checker/value_hints.h"
#include "common/cp1252.h"
#include "common/limits.h"
#include "common/messages.h"
#include "compiler/label_table.h"
#include "compiler/statement_compiler.h"
#include "compiler/token_class.h"
#include "interp/handlers.h"
#include "interp/interpreter.h"
#include "interp/statement.h"
#include "launcher/script_reader.h"

namespace kal::check {
namespace {

// Warn when a script uses this share of a limit: the next edits may cross it.
constexpr std::size_t kNearTokens = limits::kMaxTokens / 10 * 9;
constexpr std::size_t kNearStatements = limits::kMaxStatements / 10 * 9;

// Line and column of a byte of the file. Editors end a line at CR LF, CR or LF, whatever the interpreter
// makes of them.
class Lines {
 public:
  explicit Lines(std::string_view bytes) : starts_(line_starts(bytes)) {}
  std::pair<std::size_t, std::size_t> at(std::size_t offset) const {
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), offset);
    const std::size_t line = static_cast<std::size_t>(after - starts_.begin());
    return {line, offset - starts_[line - 1] + 1};
  }

 private:
  std::vector<std::size_t> starts_;
};

// Where a compiled statement's tokens were: its first token, and the token of each field after the shape.
struct StatementPlace {
  std::uint32_t start = 0;        // in the file
  std::uint32_t first_token = 0;  // in the checker's token list
  // Its fields' tokens, in the checker's list of them: the first is field 2. One list for all statements
  // spares a script of a hundred thousand statements as many small allocations.
  std::uint32_t first_field = 0;
  std::uint32_t field_count = 0;
  bool cut = false;
  bool bad_token = false;  // its record lacks a refused token, so its shape says nothing more
};

struct Found {
  std::size_t offset;
  bool error;
  std::string message;
};

std::string number(std::size_t n) {
  return std::to_string(n);
}

// The first multi-byte UTF-8 sequence of a file that is valid UTF-8 throughout, or npos: Windows-1252 text
// with accents is almost never valid UTF-8.
std::size_t utf8_evidence(std::string_view bytes) {
  std::size_t first = std::string_view::npos;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    std::size_t length = c < 0x80                 ? 1
                         : c >= 0xC2 && c <= 0xDF ? 2
                         : c >= 0xE0 && c <= 0xEF ? 3
                         : c >= 0xF0 && c <= 0xF4 ? 4
                                                  : 0;
    if (length == 0 || i + length > bytes.size()) return std::string_view::npos;
    for (std::size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return std::string_view::npos;
    if (length > 1 && first == std::string_view::npos) first = i;
    i += length;
  }
  return first;
}

// Where each character of the joined text came from in the file. The joined text is the file with its line
// ends taken out, so it maps to the file in runs of consecutive bytes: one entry a run, not one a byte.
class Origins {
 public:
  void reserve(std::size_t runs) { runs_.reserve(runs); }
  void keep(std::size_t joined, std::size_t file) {
    if (runs_.empty() || file != runs_.back().file + (joined - runs_.back().joined))
      runs_.push_back({joined, file});
  }
  std::size_t at(std::size_t joined) const {
    if (runs_.empty()) return joined;  // an empty text: nothing to map
    const Run& r = runs_[run_of(joined)];
    return r.file + (joined - r.joined);
  }
  // How many characters from `joined` on, at most `n`, come from consecutive bytes of the file.
  std::size_t unbroken(std::size_t joined, std::size_t n) const {
    if (runs_.empty()) return n;
    const std::size_t next = run_of(joined) + 1;
    return next == runs_.size() ? n : std::min(n, runs_[next].joined - joined);
  }

 private:
  struct Run {
    std::size_t joined, file;
  };
  bool holds(std::size_t run, std::size_t joined) const {
    return runs_[run].joined <= joined && (run + 1 == runs_.size() || joined < runs_[run + 1].joined);
  }
  // Tokens are looked up in the order of the text, mostly: the last run found, or the one after it, is tried
  // before a search.
  std::size_t run_of(std::size_t joined) const {
    if (!holds(last_, joined)) {
      if (last_ + 1 < runs_.size() && holds(last_ + 1, joined))
        ++last_;
      else
        last_ = static_cast<std::size_t>(
            std::upper_bound(runs_.begin(), runs_.end(), joined,
                             [](std::size_t j, const Run& r) { return j < r.joined; }) -
            runs_.begin() - 1);
    }
    return last_;
  }
  std::vector<Run> runs_;
  mutable std::size_t last_ = 0;
};

// The whole tokens of the joined text, each as its place in the text: half a view's size, for the million
// tokens of a large script.
class TokenList {
 public:
  explicit TokenList(const std::string& text) : text_(text) {}
  void reserve(std::size_t n) { places_.reserve(n); }
  void push_back(std::string_view token) {
    places_.push_back(
        {static_cast<std::uint32_t>(token.data() - text_.data()), static_cast<std::uint32_t>(token.size())});
  }
  std::string_view operator[](std::size_t i) const {
    return std::string_view(text_).substr(places_[i].start, places_[i].size);
  }
  std::size_t size() const { return places_.size(); }

 private:
  struct Place {
    std::uint32_t start, size;
  };
  const std::string& text_;
  std::vector<Place> places_;
};

class Checker {
 public:
  Checker(std::string_view bytes, Program* compiled) : bytes_(bytes), lines_(bytes), compiled_(compiled) {}
  // False when the interpreter would refuse the script before running it.
  bool compiles() const { return !refused_; }

  std::vector<Found> run() {
    if (std::size_t at = utf8_evidence(bytes_); at != std::string_view::npos) {
      utf8_ = true;
      warn(at,
           "el fichero parece estar guardado en UTF-8: gu\xE1rdelo en Windows-1252 (ANSI), o cada \xF1 y "
           "cada acento se leer\xE1 como dos caracteres");
    }
    join();
    compile();
    check_form();
    check_statements();
    return std::move(found_);
  }

 private:
  void error(std::size_t offset, std::string message) {
    found_.push_back({offset, true, std::move(message)});
  }
  void warn(std::size_t offset, std::string message) {
    found_.push_back({offset, false, std::move(message)});
  }

  // The joined text, and for each of its characters the byte of the file it came from.
  // Large scripts are measured first, so that no list grows by doubling past what it needs.
  void join() {
    text_.reserve(bytes_.size());
    origins_.reserve(1 + static_cast<std::size_t>(std::count_if(
                             bytes_.begin(), bytes_.end(), [](char c) { return c == '\r' || c == '\x1A'; })));
    for_each_joined_byte(bytes_, [this](std::size_t i) {
      origins_.keep(text_.size(), i);
      text_.push_back(bytes_[i]);
    });
  }
  std::size_t origin(std::string_view part) const {
    return origins_.at(static_cast<std::size_t>(part.data() - text_.data()));
  }

  void compile() {
    // Scripts hold about a token for every four bytes and a statement for every twenty-five: reserved so, a
    // large script's lists seldom grow by doubling past what they need, at no cost of a counting pass.
    tokens_.reserve(text_.size() / 4 + 16);
    token_offsets_.reserve(text_.size() / 4 + 16);
    compiler_.reserve(text_.size() / 25 + 16);
    StatementPlace place;
    bool in_statement = false;
    for_each_whole_token(text_, [&](std::string_view whole) {
      const std::size_t at = origin(whole);
      const std::string_view token = cut_token(whole);
      token_offsets_.push_back(static_cast<std::uint32_t>(at));
      tokens_.push_back(whole);
      form_.count(token);
      if (token_offsets_.size() == limits::kMaxTokens + 1) {
        error(at, std::string(msg::kTooManyTokens));
        refused_ = true;
      }
      if (whole.size() > limits::kMaxTokenLength)
        warn(at, "la palabra tiene " + number(whole.size()) + " caracteres: KAL solo lee los " +
                     number(limits::kMaxTokenLength) + " primeros");
      if (std::size_t tab = whole.find('\t'); tab != std::string_view::npos)
        warn(origin(whole.substr(tab)),
             "un tabulador pegado a una palabra forma parte de ella: sep\xE1relas con espacios");
      if (!in_statement) {
        place = StatementPlace{static_cast<std::uint32_t>(at),
                               static_cast<std::uint32_t>(tokens_.size() - 1),
                               static_cast<std::uint32_t>(field_tokens_.size()),
                               0,
                               false,
                               false};
        in_statement = true;
      }
      const std::size_t fields_before = compiler_.pending_fields();
      const std::size_t records_before = compiler_.records().size();
      if (!compiler_.compile(token)) {
        std::string message(token.substr(0, token.find('\0')));  // as KAL's box shows it
        message += ": ";
        message += msg::kBadExpression;
        if (std::string why = refused_token_hint(place.first_token, tokens_.size() - 1); !why.empty())
          message += " " + why;
        error(at, message);
        place.bad_token = true;
        refused_ = true;
      } else if (compiler_.pending_fields() > fields_before) {
        field_tokens_.push_back(static_cast<std::uint32_t>(tokens_.size() - 1));
        ++place.field_count;
      }
      if (compiler_.records().size() > records_before) {
        place.cut = compiler_.last_record_was_cut();
        places_.push_back(std::move(place));
        in_statement = false;
        if (places_.size() == limits::kMaxStatements + 1) {
          error(at, std::string(msg::kTooManyStatements));
          refused_ = true;
        }
      }
      return true;
    });
    if (form_.tokens > kNearTokens && form_.tokens <= limits::kMaxTokens)
      warn(0, "el programa tiene " + number(form_.tokens) +
                  " elementos (palabras y signos), cerca del l\xEDmite de " + number(limits::kMaxTokens));
    if (places_.size() > kNearStatements && places_.size() <= limits::kMaxStatements)
      warn(0, "el programa tiene " + number(places_.size()) + " sentencias, cerca del l\xEDmite de " +
                  number(limits::kMaxStatements));
  }

  // Where a statement runs on into a line that starts a statement of its own: the line it should have ended
  // on and the line it runs into.
  struct Break {
    std::size_t before = 0;
    std::size_t after = 0;
    bool found() const { return after != 0; }
  };
  std::size_t line_of_joined(std::size_t j) const { return lines_.at(origins_.at(j)).first; }
  std::size_t joined(std::string_view part) const {
    return static_cast<std::size_t>(part.data() - text_.data());
  }
  Break statement_break(std::size_t first, std::size_t last) const {
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
  static std::string falta(std::size_t line, bool capital) {
    return std::string(capital ? "F" : "f") + "alta un ; al final de la l\xEDnea " + number(line);
  }
  std::string missing_semicolon(std::size_t first, std::size_t last) const {
    const Break b = statement_break(first, last);
    if (!b.found()) return {};
    std::string question = "\xBF";
    question += falta(b.before, true);
    return question + "?";
  }

  // A text cut short by a character that always stands alone ("~IVA-21" is "~IVA", "-" and "21").
  std::string split_text(std::size_t from, std::size_t to) const {
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
  std::string decimal_comma(std::size_t at) const {
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
    number += "." + text_.substr(comma + 1, end - comma - 1);
    return std::string("KAL escribe los decimales con punto") +
           (thousands ? " y sin separar los millares" : "") + ": " + number +
           ". Un dato con coma le\xED"
           "do de un fichero o tecleado en %INPUTDATA se cambia antes con %CAMBIARP "
           "(&c := 44; &coma := %CAR &c; &punto := ~.; &dato := %CAMBIARP &coma &punto &dato;)";
  }

  std::string refused_token_hint(std::size_t first, std::size_t at) const {
    if (std::string why = missing_semicolon(first, at); !why.empty()) return why;
    if (std::string why = decimal_comma(at); !why.empty()) return why;
    if (std::string why = split_text(first == 0 ? 0 : first - 1, at); !why.empty()) return why;
    const std::string_view token = tokens_[at];
    if (at > first && is_command_word(tokens_[at - 1]) &&
        is_jump_word(cp1252::lower(tokens_[at - 1].substr(1))) && is_plain_name(token))
      return "Las etiquetas empiezan por : (" + std::string(tokens_[at - 1]) + " :" + std::string(token) +
             ";)";
    if (token.starts_with('~'))
      // In a file saved as UTF-8 the cure is saving it again, not %CAR.
      if (const char c = first_refused_text_char(cut_token(token)); c != 0 && !(utf8_ && (c & 0x80)))
        return "Un texto no puede llevar " + shown(c) + ": constr\xFAyalo con " + car_call(c) +
               " y j\xFAntelo al resto";
    if (token.starts_with('=')) return std::string(kDidYouMean) + ":=? La asignaci\xF3n se escribe :=";
    if (token == "|") {
      const std::string list = tokens_[first].starts_with('&') ? std::string(tokens_[first]) : "&lista";
      return "Una lista no se escribe con |: se construye elemento a elemento con %METER (&x := 120; " +
             list + " := %METER &x;)";
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

  // A character as a message can show it: invisible ones and bytes Windows-1252 leaves empty by their code.
  static std::string shown(char c) {
    const auto b = static_cast<unsigned char>(c);
    const bool invisible =
        b < 0x20 || b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
    return invisible ? "el car\xE1"
                       "cter de c\xF3"
                       "digo " +
                           number(b)
                     : std::string(1, c);
  }

  static std::vector<std::string> label_names(const PreparedStatements& statements) {
    std::vector<std::string> names;
    for (std::size_t i = 1; i <= statements.size(); ++i)
      if (LabelTable::is_label_statement(statements.at(i).record()) &&
          LabelTable::registers(statements.at(i).record()))
        names.push_back(as_written(statements.at(i).field(2)));
    return names;
  }

  void check_form() {
    for (const OuterFormFailure& f : outer_form_failures(form_)) {
      error(f.token == 0 ? bytes_.size() : token_offsets_[f.token - 1], std::string(f.message));
      refused_ = true;
    }
  }

  void check_statements() {
    const std::vector<std::string> records = compiler_.take_records();
    const LabelTable labels = LabelTable::build(records);
    // What the interpreter would run, when it would run it: the records are the same compiler's.
    if (compiled_ != nullptr && !refused_) {
      compiled_->token_count = form_.tokens;
      compiled_->statements = records;
      compiled_->labels = labels;
      compiled_->database_name = compiler_.database_name();
    }
    const PreparedStatements statements(records);
    std::map<std::string, std::size_t> label_at;  // registered name -> offset of its last label statement
    std::map<std::string, std::size_t> first_read;
    std::set<std::string> written;
    const std::vector<std::string> names = label_names(statements);
    std::vector<std::uint32_t> label_word(statements.size() + 1, Word::kNone);  // by statement number
    std::size_t word_count = 0;
    for (std::size_t i = 1; i <= statements.size(); ++i)
      note_words(statements.at(i), places_[i - 1],
                 [&word_count](Word::Kind, std::size_t, bool) { ++word_count; });
    words_.reserve(word_count);
    std::vector<std::pair<std::size_t, std::int32_t>> goes_to;  // a jump or label word, its label statement
    ValueFlow values;
    std::vector<ValueWarning> value_warnings;
    for (std::size_t i = 1; i <= statements.size(); ++i) {
      const Statement& s = statements.at(i);
      const StatementPlace& place = places_[i - 1];
      auto field_at = [&](std::size_t k) {
        return k >= 2 && k - 2 < place.field_count ? token_offsets_[fields_of(place)[k - 2]] : place.start;
      };
      const bool runs = s.route == Route::Execute || s.route == Route::Command;
      const std::size_t last_token =
          i < places_.size() ? places_[i].first_token - 1 : tokens_.size() - 1;  // its ";"
      if (runs && s.handler == nullptr && !place.bad_token) {
        std::string why = missing_semicolon(place.first_token, last_token);
        if (why.empty()) why = split_text(place.first_token, last_token);
        std::size_t named = 0;
        if (why.empty()) why = statement_hint(s, named);
        error(named != 0 ? field_at(named) : place.start,
              unknown_instruction_text(s) + ": " + std::string(msg::kUnknownInstruction) +
                  " (forma: " + shape_in_words(s) + ")" + (why.empty() ? "" : ". " + why));
      }
      if (s.handler != nullptr && is_jump(s.handler) && labels.find(s.field(3)) == 0) {
        std::string message = unknown_label_message(s.field(3));
        if (std::string near = nearest_name(as_written(s.field(3)), names); !near.empty())
          message.append(" ").append(kDidYouMean).append(":").append(near).append("?");
        error(field_at(3), message);
      }
      if (s.field(1).starts_with('\'')) {
        if (const Break b = statement_break(place.first_token, last_token); b.found())
          warn(place.start, "el comentario sigue en la l\xEDnea " + number(b.after) +
                                " y se lleva la sentencia que empieza all\xED: \xBF" +
                                falta(b.before, false) + "?");
      }
      if (place.cut)
        warn(place.start,
             "la sentencia compilada pasa de " + number(limits::kMaxRecordLength) + " caracteres: se corta");
      if (LabelTable::is_label_statement(s.record())) {
        const std::string name = as_written(s.field(2));
        if (!LabelTable::registers(s.record())) {
          warn(place.start,
               "la etiqueta :" + name +
                   " nunca se registra porque su nombre lleva _: saltar a ella termina el programa");
        } else if (auto [it, fresh] = label_at.try_emplace(name, place.start); !fresh) {
          warn(it->second, "la etiqueta :" + name + " se repite m\xE1s abajo: los saltos van a la \xFAltima");
          it->second = place.start;
        }
      }
      if (!place.bad_token) values.statement(s, lines_.at(place.start).first, field_at, value_warnings);
      note_variables(s, field_at, first_read, written);
      const std::size_t before = words_.size();
      note_words(s, place, [this](Word::Kind kind, std::size_t token, bool assigned) {
        add_word(kind, token, assigned);
      });
      for (std::size_t w = before; w < words_.size(); ++w) {
        if (words_[w].kind == Word::Kind::Label) {
          label_word[i] = static_cast<std::uint32_t>(w);
          goes_to.emplace_back(w, labels.find(s.field(2)));
        } else if (words_[w].kind == Word::Kind::Jump) {
          goes_to.emplace_back(w, labels.find(s.field(3)));
        }
      }
    }
    for (ValueWarning& w : value_warnings)
      if (w.unassigned.empty() || written.contains(w.unassigned)) warn(w.offset, std::move(w.message));
    for (const auto& [word, statement] : goes_to) words_[word].target = label_word[statement];
    for (const auto& [name, at] : first_read)
      if (!written.contains(name)) warn(at, name + " se lee pero nunca recibe valor: vale el texto vac\xEDo");
  }

  // The words a statement names, by the codes of its shape, each given to `add`; comments name none.
  template <class Add>
  void note_words(const Statement& s, const StatementPlace& place, Add add) const {
    const std::string_view shape = s.field(1);
    if (shape.empty() || shape.front() == '\'') return;
    if (shape.starts_with("BD")) {
      if (place.field_count > 0) add(Word::Kind::Selector, fields_of(place).front(), false);
      return;
    }
    const std::vector<std::string_view> codes = shape_codes(shape);
    const bool assignment = shape.front() == '&' || shape.front() == '@';
    const std::span<const std::uint32_t> fields = fields_of(place);
    for (std::size_t k = 0; k < codes.size() && k < fields.size(); ++k) {
      const std::string_view code = codes[k];
      const std::size_t token = fields[k];
      if (code == "&")
        add(Word::Kind::Variable, token, k == 0 && assignment);
      else if (code == "@")
        add(Word::Kind::Constant, token, k == 0 && assignment);
      else if (code == "#")
        add(Word::Kind::Field, token, false);
      else if (code == ":")
        add(shape == ":" ? Word::Kind::Label : Word::Kind::Jump, token, false);
      else if (code == "." && k == 0)
        add(Word::Kind::Command, token, false);
      else if (code == "%")
        add(Word::Kind::Function, token, false);
    }
  }
  std::span<const std::uint32_t> fields_of(const StatementPlace& place) const {
    return {field_tokens_.data() + place.first_field, place.field_count};
  }
  void add_word(Word::Kind kind, std::size_t token, bool assigned) {
    const std::size_t at = token_offsets_[token];
    words_.push_back(Word{std::string(cut_token(tokens_[token])), at,
                          static_cast<std::uint32_t>(extent(token)),
                          static_cast<std::uint32_t>(lines_.at(at).first), Word::kNone, kind, assigned});
  }

 public:
  // How many bytes of the file the token covers from its start before a line end interrupts it.
  std::size_t extent(std::size_t token) const {
    return std::max<std::size_t>(origins_.unbroken(joined(tokens_[token]), tokens_[token].size()), 1);
  }
  // The token that starts at this byte of the file, if any.
  std::optional<std::size_t> token_at(std::size_t offset) const {
    const auto it = std::lower_bound(token_offsets_.begin(), token_offsets_.end(), offset);
    if (it == token_offsets_.end() || *it != offset) return std::nullopt;
    return static_cast<std::size_t>(it - token_offsets_.begin());
  }
  std::vector<Word> take_words() { return std::move(words_); }
  const Lines& lines() const { return lines_; }
  std::vector<std::size_t> statement_starts() const {
    std::vector<std::size_t> starts;
    starts.reserve(places_.size());
    for (const StatementPlace& place : places_) starts.push_back(place.start);
    return starts;
  }

 private:
  // Variables and constants by the codes of the shape: the first of an assignment is its target, every other
  // one is read. Comments and database selectors hold none.
  template <class FieldAt>
  void note_variables(const Statement& s, FieldAt field_at, std::map<std::string, std::size_t>& first_read,
                      std::set<std::string>& written) {
    const std::string_view shape = s.field(1);
    if (shape.empty() || shape.front() == '\'' || shape.starts_with("BD")) return;
    const std::vector<std::string_view> codes = shape_codes(shape);
    for (std::size_t k = 0; k < codes.size() && k + 2 <= s.field_count; ++k) {
      if (codes[k] != "&" && codes[k] != "@") continue;
      const std::string name = std::string(codes[k]) + std::string(s.field(k + 2));
      if (k == 0 && (shape.front() == '&' || shape.front() == '@'))
        written.insert(name);
      else
        first_read.try_emplace(name, field_at(k + 2));
    }
  }

  std::string_view bytes_;
  Lines lines_;
  bool utf8_ = false;  // the file looks saved as UTF-8
  std::string text_;
  Origins origins_;
  std::vector<std::uint32_t> token_offsets_;  // in the file, which analyze_script holds under 4 GB
  TokenList tokens_{text_};                   // whole, in the joined text
  std::vector<Word> words_;
  OuterForm form_;
  StatementCompiler compiler_;
  std::vector<StatementPlace> places_;
  std::vector<std::uint32_t> field_tokens_;
  std::vector<Found> found_;
  Program* compiled_;
  bool refused_ = false;
};

}  // namespace

std::vector<std::size_t> line_starts(std::string_view bytes) {
  std::vector<std::size_t> starts{0};
  starts.reserve(1 + static_cast<std::size_t>(std::count_if(bytes.begin(), bytes.end(),
                                                            [](char c) { return c == '\r' || c == '\n'; })));
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    if (bytes[i] == '\r' || bytes[i] == '\n') starts.push_back(i + 1);
  }
  return starts;
}

Analysis analyze_script(std::string_view file_bytes, Program* compiled) {
  // Places in the file are kept in 32 bits: a script is a few hundred kilobytes at most.
  if (file_bytes.size() > std::numeric_limits<std::uint32_t>::max())
    return {{Problem{1, 1, true, "el fichero pasa de 4 GB: no es un programa de KAL", 0, 0}}, {}, {}};
  Checker checker(file_bytes, compiled);
  std::vector<Found> found = checker.run();
  std::stable_sort(found.begin(), found.end(),
                   [](const Found& a, const Found& b) { return a.offset < b.offset; });
  const Lines& lines = checker.lines();
  Analysis analysis;
  analysis.problems.reserve(found.size());
  for (Found& f : found) {
    const auto [line, column] = lines.at(f.offset);
    const std::optional<std::size_t> token = checker.token_at(f.offset);
    const std::size_t length = token ? checker.extent(*token) : f.offset < file_bytes.size() ? 1 : 0;
    analysis.problems.push_back(Problem{line, column, f.error, std::move(f.message), f.offset, length});
  }
  analysis.words = checker.take_words();
  analysis.compiles = checker.compiles();
  for (std::size_t start : checker.statement_starts())
    analysis.statement_lines.push_back(lines.at(start).first);
  return analysis;
}

std::vector<Problem> check_script(std::string_view file_bytes) {
  return analyze_script(file_bytes).problems;
}

std::string format_problem(std::string_view file_name, const Problem& problem) {
  std::string message = problem.message;
  // One problem a line: the interpreter's two-line texts are joined.
  std::replace(message.begin(), message.end(), '\r', ' ');
  message.erase(std::remove(message.begin(), message.end(), '\n'), message.end());
  return std::string(file_name) + ":" + number(problem.line) + ":" + number(problem.column) + ": " +
         (problem.error ? "error: " : "warning: ") + cp1252::to_utf8(message);
}

}  // namespace kal::check
