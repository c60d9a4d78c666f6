#include "checker/script_checker.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <span>

#include "checker/fixes.h"
#include "checker/hints.h"
#include "checker/joined_text.h"
#include "checker/statement_words.h"
#include "checker/token_hints.h"
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

struct Found {
  std::size_t offset;
  bool error;
  std::string message;
  std::optional<Fix> fix = std::nullopt;
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
  void error(std::size_t offset, std::string message, std::optional<Fix> fix = std::nullopt) {
    found_.push_back({offset, true, std::move(message), std::move(fix)});
  }
  void warn(std::size_t offset, std::string message, std::optional<Fix> fix = std::nullopt) {
    found_.push_back({offset, false, std::move(message), std::move(fix)});
  }

  // The joined text, and for each of its characters the byte of the file it came from.
  void join() { join_with_origins(bytes_, text_, origins_); }
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
        warn(at, "la palabra tiene " + std::to_string(whole.size()) + " caracteres: KAL solo lee los " +
                     std::to_string(limits::kMaxTokenLength) + " primeros");
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
        std::optional<Fix> fix;
        if (std::string why = hints_.refused(place.first_token, tokens_.size() - 1, utf8_, &fix);
            !why.empty())
          message += " " + why;
        error(at, message, std::move(fix));
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
      warn(0, "el programa tiene " + std::to_string(form_.tokens) +
                  " elementos (palabras y signos), cerca del l\xEDmite de " +
                  std::to_string(limits::kMaxTokens));
    if (places_.size() > kNearStatements && places_.size() <= limits::kMaxStatements)
      warn(0, "el programa tiene " + std::to_string(places_.size()) + " sentencias, cerca del l\xEDmite de " +
                  std::to_string(limits::kMaxStatements));
  }

  void check_form() {
    for (const OuterFormFailure& f : outer_form_failures(form_)) {
      std::optional<Fix> fix;
      if (f.message == msg::kMustEndWithFin) fix = fin_fix(bytes_);
      error(f.token == 0 ? bytes_.size() : token_offsets_[f.token - 1], std::string(f.message),
            std::move(fix));
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
    Uses uses;
    const std::vector<std::string> names = label_names(statements);
    std::vector<std::uint32_t> label_word(statements.size() + 1, Word::kNone);  // by statement number
    std::size_t word_count = 0;
    for (std::size_t i = 1; i <= statements.size(); ++i)
      note_words(statements.at(i), fields_of(places_[i - 1]),
                 [&word_count](Word::Kind, std::size_t, bool) { ++word_count; });
    words_.reserve(word_count);
    std::vector<std::pair<std::size_t, std::int32_t>> goes_to;  // a jump or label word, its label statement
    ValueFlow values;
    std::vector<ValueWarning> value_warnings;
    for (std::size_t i = 1; i <= statements.size(); ++i) {
      const Statement& s = statements.at(i);
      const StatementPlace& place = places_[i - 1];
      const ValueFlow::FieldAt field_at = [this, &place](std::size_t k) -> std::size_t {
        return k >= 2 && k - 2 < place.field_count ? token_offsets_[fields_of(place)[k - 2]] : place.start;
      };
      const bool runs = s.route == Route::Execute || s.route == Route::Command;
      const std::size_t last_token =
          i < places_.size() ? places_[i].first_token - 1 : tokens_.size() - 1;  // its ";"
      if (runs && s.handler == nullptr && !place.bad_token) {
        std::optional<Fix> fix;
        std::string why = hints_.missing_semicolon(place.first_token, last_token, &fix);
        if (why.empty()) why = hints_.split_text(place.first_token, last_token);
        std::size_t named = 0;
        Replacement replacement;
        if (why.empty()) why = statement_hint(s, named, &replacement);
        if (replacement.field != 0) fix = fixes_.replace(place, replacement);
        error(named != 0 ? field_at(named) : place.start,
              unknown_instruction_text(s) + ": " + std::string(msg::kUnknownInstruction) +
                  " (forma: " + shape_in_words(s) + ")" + (why.empty() ? "" : ". " + why),
              std::move(fix));
      }
      if (s.handler != nullptr && is_jump(s.handler) && labels.find(s.field(3)) == 0) {
        std::string message = unknown_label_message(s.field(3));
        std::optional<Fix> fix;
        if (std::string near = nearest_name(as_written(s.field(3)), names); !near.empty()) {
          message.append(" ").append(kDidYouMean).append(":").append(near).append("?");
          fix = fixes_.replace(place, {3, ":" + near});
        }
        error(field_at(3), message, std::move(fix));
      }
      if (s.field(1).starts_with('\'')) {
        if (const TokenHints::Break b = hints_.statement_break(place.first_token, last_token); b.found())
          warn(place.start, "el comentario sigue en la l\xEDnea " + std::to_string(b.after) +
                                " y se lleva la sentencia que empieza all\xED: \xBF" +
                                TokenHints::falta(b.before, false) + "?");
      }
      if (place.cut)
        warn(place.start, "la sentencia compilada pasa de " + std::to_string(limits::kMaxRecordLength) +
                              " caracteres: se corta");
      if (LabelTable::is_label_statement(s.record())) {
        const std::string name = as_written(s.field(2));
        if (!LabelTable::registers(s.record())) {
          warn(place.start,
               "la etiqueta :" + name +
                   " nunca se registra porque su nombre lleva _: saltar a ella termina el programa",
               fixes_.label(statements, places_, i, names));
        } else if (auto [it, fresh] = label_at.try_emplace(name, place.start); !fresh) {
          warn(it->second, "la etiqueta :" + name + " se repite m\xE1s abajo: los saltos van a la \xFAltima");
          it->second = place.start;
        }
      }
      if (!place.bad_token) values.statement(s, lines_.at(place.start).first, field_at, value_warnings);
      uses.statement(s, field_at);
      const std::size_t before = words_.size();
      note_words(s, fields_of(place), [this](Word::Kind kind, std::size_t token, bool assigned) {
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
      if (w.unassigned.empty() || uses.written(w.unassigned)) warn(w.offset, std::move(w.message));
    for (const auto& [word, statement] : goes_to) words_[word].target = label_word[statement];
    for (ValueWarning& w : uses.never_written()) warn(w.offset, std::move(w.message));
  }

  std::span<const std::uint32_t> fields_of(const StatementPlace& place) const {
    return fixes_.fields_of(place);
  }
  void add_word(Word::Kind kind, std::size_t token, bool assigned) {
    const std::size_t at = token_offsets_[token];
    words_.push_back(Word{std::string(cut_token(tokens_[token])), at,
                          static_cast<std::uint32_t>(extent(token)),
                          static_cast<std::uint32_t>(lines_.at(at).first), Word::kNone, kind, assigned});
  }

 public:
  std::size_t extent(std::size_t token) const { return fixes_.extent(token); }
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
  std::string_view bytes_;
  Lines lines_;
  bool utf8_ = false;  // the file looks saved as UTF-8
  std::string text_;
  Origins origins_;
  std::vector<std::uint32_t> token_offsets_;  // in the file, which analyze_script holds under 4 GB
  TokenList tokens_{text_};                   // whole, in the joined text
  TokenHints hints_{text_, tokens_, origins_, lines_};
  std::vector<Word> words_;
  OuterForm form_;
  StatementCompiler compiler_;
  std::vector<StatementPlace> places_;
  std::vector<std::uint32_t> field_tokens_;
  std::vector<Found> found_;
  Fixes fixes_{bytes_, text_, tokens_, origins_, token_offsets_, field_tokens_};
  Program* compiled_;
  bool refused_ = false;
};

}  // namespace

Analysis analyze_script(std::string_view file_bytes, Program* compiled) {
  // Places in the file are kept in 32 bits: a script is a few hundred kilobytes at most.
  if (file_bytes.size() > std::numeric_limits<std::uint32_t>::max())
    return {{Problem{1, 1, true, "el fichero pasa de 4 GB: no es un programa de KAL", 0, 0, std::nullopt}},
            {},
            {}};
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
    analysis.problems.push_back(
        Problem{line, column, f.error, std::move(f.message), f.offset, length, std::move(f.fix)});
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
  return std::string(file_name) + ":" + std::to_string(problem.line) + ":" + std::to_string(problem.column) +
         ": " + (problem.error ? "error: " : "warning: ") + cp1252::to_utf8(message);
}

}  // namespace kal::check
