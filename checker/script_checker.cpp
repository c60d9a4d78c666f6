#include "checker/script_checker.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>

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
  explicit Lines(std::string_view bytes) {
    starts_.push_back(0);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      if (bytes[i] == '\r' || bytes[i] == '\n') starts_.push_back(i + 1);
    }
  }
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
  std::size_t start = 0;
  std::vector<std::size_t> fields;  // fields[0] is field 2
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

// A name as the script writes it: the compiler turned "_" into a blank.
std::string as_written(std::string_view name) {
  std::string out(name);
  std::replace(out.begin(), out.end(), ' ', '_');
  return out;
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

// The codes of a shape, one per token: an operator word ("MOD", "DIV") is one code.
std::vector<std::string_view> shape_codes(std::string_view shape) {
  std::vector<std::string_view> codes;
  for (std::size_t i = 0; i < shape.size();) {
    const std::size_t length = is_operator(shape.substr(i, 3)) ? 3 : 1;
    codes.push_back(shape.substr(i, length));
    i += length;
  }
  return codes;
}

// How many operands the shapes of a keyword family take: after "&%" for functions, after "." for commands.
std::size_t operand_count(const Family& family) {
  const std::size_t prefix = family.keyword_at == KeywordAt::Field3 ? 2 : 1;
  return family.shapes.front().size() - prefix;
}

std::string operands_text(std::size_t n) {
  return number(n) + (n == 1 ? " operando" : " operandos");
}

// Why a keyword family did not find the statement's word, when a near miss explains it.
std::string hint(const Statement& s) {
  const Family* family = s.family();
  if (family == nullptr || family->keyword_at == KeywordAt::None) return {};
  const bool function = family->keyword_at == KeywordAt::Field3;
  const std::string word = function ? std::string(s.field(3)) : cp1252::lower(s.field(2));
  const std::string capitals = cp1252::upper(word);
  const char sigil = function ? '%' : '.';
  for (const Family& other : dispatch_families()) {
    if (other.keyword_at != family->keyword_at) continue;
    for (const Keyword& k : other.keywords) {
      if (k.word == word && &other != family)
        return std::string(" (") + sigil + std::string(k.word) + " lleva " +
               operands_text(operand_count(other)) + ")";
      if (function && &other == family && k.word == capitals)
        return " (las funciones se escriben en may\xFAsculas: %" + std::string(k.word) + ")";
    }
  }
  return {};
}

class Checker {
 public:
  explicit Checker(std::string_view bytes) : bytes_(bytes) {}

  std::vector<Found> run() {
    if (std::size_t at = utf8_evidence(bytes_); at != std::string_view::npos)
      warn(at,
           "el fichero parece estar guardado en UTF-8: gu\xE1rdelo en Windows-1252 (ANSI), o cada \xF1 y "
           "cada acento se leer\xE1 como dos caracteres");
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
  void join() {
    for_each_joined_byte(bytes_, [this](std::size_t i) {
      text_.push_back(bytes_[i]);
      origin_.push_back(i);
    });
  }
  std::size_t origin(std::string_view part) const {
    return origin_[static_cast<std::size_t>(part.data() - text_.data())];
  }

  void compile() {
    StatementPlace place;
    bool in_statement = false;
    for_each_whole_token(text_, [&](std::string_view whole) {
      const std::size_t at = origin(whole);
      const std::string_view token = cut_token(whole);
      token_offsets_.push_back(at);
      form_.count(token);
      if (token_offsets_.size() == limits::kMaxTokens + 1) error(at, std::string(msg::kTooManyTokens));
      if (whole.size() > limits::kMaxTokenLength)
        warn(at, "la palabra tiene " + number(whole.size()) + " caracteres: KAL solo lee los 255 primeros");
      if (std::size_t tab = whole.find('\t'); tab != std::string_view::npos)
        warn(origin(whole.substr(tab)),
             "un tabulador pegado a una palabra forma parte de ella: sep\xE1relas con espacios");
      if (!in_statement) {
        place = StatementPlace{at, {}, false, false};
        in_statement = true;
      }
      const std::size_t fields_before = compiler_.pending_fields();
      const std::size_t records_before = compiler_.records().size();
      if (!compiler_.compile(token)) {
        std::string message(token.substr(0, token.find('\0')));  // as KAL's box shows it
        message += ": ";
        message += msg::kBadExpression;
        error(at, message);
        place.bad_token = true;
      } else if (compiler_.pending_fields() > fields_before) {
        place.fields.push_back(at);
      }
      if (compiler_.records().size() > records_before) {
        place.cut = compiler_.last_record_was_cut();
        places_.push_back(std::move(place));
        in_statement = false;
        if (places_.size() == limits::kMaxStatements + 1) error(at, std::string(msg::kTooManyStatements));
      }
      return true;
    });
    if (form_.tokens > kNearTokens && form_.tokens <= limits::kMaxTokens)
      warn(0, "el programa tiene " + number(form_.tokens) +
                  " elementos (palabras y signos), cerca del l\xEDmite de 100000");
    if (places_.size() > kNearStatements && places_.size() <= limits::kMaxStatements)
      warn(0, "el programa tiene " + number(places_.size()) + " sentencias, cerca del l\xEDmite de 32767");
  }

  void check_form() {
    for (const OuterFormFailure& f : outer_form_failures(form_))
      error(f.token == 0 ? bytes_.size() : token_offsets_[f.token - 1], std::string(f.message));
  }

  void check_statements() {
    const std::vector<std::string> records = compiler_.take_records();
    const LabelTable labels = LabelTable::build(records);
    const PreparedStatements statements(records);
    std::map<std::string, std::size_t> label_at;  // registered name -> offset of its last label statement
    std::map<std::string, std::size_t> first_read;
    std::set<std::string> written;
    for (std::size_t i = 1; i <= statements.size(); ++i) {
      const Statement& s = statements.at(i);
      const StatementPlace& place = places_[i - 1];
      auto field_at = [&](std::size_t k) {
        return k >= 2 && k - 2 < place.fields.size() ? place.fields[k - 2] : place.start;
      };
      const bool runs = s.route == Route::Execute || s.route == Route::Command;
      if (runs && s.handler == nullptr && !place.bad_token)
        error(place.start,
              unknown_instruction_text(s) + ": " + std::string(msg::kUnknownInstruction) + hint(s));
      if (s.handler != nullptr && is_jump(s.handler) && labels.find(s.field(3)) == 0)
        error(field_at(3), unknown_label_message(s.field(3)));
      if (place.cut) warn(place.start, "la sentencia compilada pasa de 1023 caracteres: se corta");
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
      note_variables(s, field_at, first_read, written);
    }
    for (const auto& [name, at] : first_read)
      if (!written.contains(name)) warn(at, name + " se lee pero nunca recibe valor: vale el texto vac\xEDo");
  }

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
  std::string text_;
  std::vector<std::size_t> origin_;
  std::vector<std::size_t> token_offsets_;
  OuterForm form_;
  StatementCompiler compiler_;
  std::vector<StatementPlace> places_;
  std::vector<Found> found_;
};

}  // namespace

std::vector<Problem> check_script(std::string_view file_bytes) {
  std::vector<Found> found = Checker(file_bytes).run();
  std::stable_sort(found.begin(), found.end(),
                   [](const Found& a, const Found& b) { return a.offset < b.offset; });
  const Lines lines(file_bytes);
  std::vector<Problem> problems;
  problems.reserve(found.size());
  for (Found& f : found) {
    const auto [line, column] = lines.at(f.offset);
    problems.push_back(Problem{line, column, f.error, std::move(f.message)});
  }
  return problems;
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
