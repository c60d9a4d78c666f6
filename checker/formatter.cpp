#include "checker/formatter.h"

#include <algorithm>

#include "checker/joined_text.h"
#include "common/cp1252.h"
#include "compiler/label_table.h"
#include "compiler/token_class.h"
#include "launcher/script_reader.h"

namespace kal::check {
namespace {

struct Token {
  std::size_t at = 0, end = 0;                      // in the file
  std::size_t size = 0;                             // whole, in the joined text
  bool broken() const { return end - at != size; }  // a line end of the file runs through it
};

class Layout {
 public:
  Layout(std::string_view bytes, const Analysis& analysis, std::size_t from, std::size_t to)
      : bytes_(bytes), from_(from), to_(to), eol_(line_end_of(bytes)) {
    for (const Problem& p : analysis.problems)
      if (p.error) errors_.push_back(p.offset);
    std::sort(errors_.begin(), errors_.end());
  }

  std::vector<Edit> run() {
    // Where the interpreter stops reading: the end, or a Ctrl-Z.
    const std::size_t read_to = std::min(bytes_.find('\x1A'), bytes_.size());
    std::vector<Token> statement;
    bool refused = false;
    for_each_compiled_token(bytes_, [&](const CompiledToken& t) {
      statement.push_back({t.at, t.end, t.whole.size()});
      refused = !t.fits || refused;
      if (t.ended != nullptr) {
        lay_out(statement, *t.ended, refused);
        statement.clear();
        refused = false;
      }
    });
    // Tokens after the last ";" are no statement: they move to a line of their own and stay as written.
    if (!statement.empty()) {
      gap(statement.front().at, false, false, statement.front().at <= to_ && statement.back().end >= from_);
      after_ = statement.back().end;
    }
    // After the last token, only its line ends.
    const bool selected = after_ <= to_ && read_to >= from_;
    if (selected) replace(drop_blanks(after_, read_to, true), read_to, "");
    return std::move(edits_);
  }

 private:
  void replace(std::size_t from, std::size_t to, std::string text) {
    if (bytes_.substr(from, to - from) != text) edits_.push_back({from, to - from, std::move(text)});
  }

  // The blanks before a statement starting at `at`: none at a line's end, the line's indentation before it
  // (none for a label), and a line end where there was none, except before a comment, which may stay beside
  // the statement it is about. The line ends themselves are never touched, so each keeps its kind.
  void gap(std::size_t at, bool label, bool comment, bool selected) {
    const std::size_t last_line = drop_blanks(after_, at, selected);
    std::string text;
    if (last_line != after_ || !started_) {
      indent_ = label ? 0 : at - last_line;
      text = std::string(indent_, ' ');
    } else if (comment && !label) {
      text = " ";
    } else {
      text = eol_ + std::string(label ? 0 : indent_, ' ');
    }
    if (selected) replace(last_line, at, std::move(text));
    started_ = true;
  }

  // The blanks before each line end of [from, to) taken out; returns where the last line starts (from, when
  // there is no line end).
  std::size_t drop_blanks(std::size_t from, std::size_t to, bool selected) {
    std::size_t run = from;
    for (std::size_t i = from; i < to; ++i) {
      if (bytes_[i] == ' ') continue;
      if (selected) replace(run, i, "");
      run = i + 1;
    }
    return run;
  }

  void lay_out(const std::vector<Token>& tokens, std::string_view record, bool refused) {
    const std::size_t start = tokens.front().at, end = tokens.back().at + 1;  // its ";"
    const bool comment = record.starts_with('\'');
    const bool label = LabelTable::is_label_statement(record);
    const bool selected = start <= to_ && end >= from_;
    gap(start, label, comment, selected);
    if (selected) {
      const auto error = std::lower_bound(errors_.begin(), errors_.end(), start);
      const bool as_written =
          refused || comment || (error != errors_.end() && *error < end) ||
          std::any_of(tokens.begin(), tokens.end(), [](const Token& t) { return t.broken(); });
      if (!as_written) {
        const std::string_view first = bytes_.substr(start, tokens.front().size);
        const std::string lower = cp1252::lower(first);
        // .codigo and .fin are the outer form's, which reads them only as written.
        if (is_command_word(cut_token(first)) && lower != ".codigo" && lower != ".fin")
          replace(start, start + first.size(), lower);
        for (std::size_t i = 0; i + 1 < tokens.size(); ++i)
          replace(tokens[i].at + tokens[i].size, tokens[i + 1].at, i + 2 == tokens.size() ? "" : " ");
      }
    }
    after_ = end;
  }

  std::string_view bytes_;
  std::size_t from_, to_;
  std::string eol_;
  std::vector<std::size_t> errors_;  // where each error the checker finds starts
  std::vector<Edit> edits_;
  std::size_t after_ = 0;   // the end of the last statement laid out
  std::size_t indent_ = 0;  // blanks before the first statement of the line being laid out
  bool started_ = false;    // a statement came before
};

}  // namespace

std::vector<Edit> format_edits(std::string_view file_bytes, const Analysis& analysis, std::size_t from,
                               std::size_t to) {
  return Layout(file_bytes, analysis, from, to).run();
}

std::vector<Edit> format_edits(std::string_view file_bytes, std::size_t from, std::size_t to) {
  return format_edits(file_bytes, analyze_script(file_bytes), from, to);
}

std::string apply_edits(std::string_view bytes, const std::vector<Edit>& edits) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  std::size_t at = 0;
  for (const Edit& e : edits) {
    out.append(bytes.substr(at, e.offset - at)).append(e.text);
    at = e.offset + e.length;
  }
  return out.append(bytes.substr(at));
}

std::string format_script(std::string_view file_bytes) {
  return apply_edits(file_bytes, format_edits(file_bytes));
}

}  // namespace kal::check
