// The script as the checker reads it: the file's lines, the joined text the interpreter reads (the file with
// its line ends taken out) with the byte each of its characters came from, and the text's whole tokens.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "checker/script_checker.h"
#include "compiler/statement_compiler.h"
#include "launcher/script_reader.h"

namespace kal::check {

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

// The line end a new line of the file gets: the file's first one, CR LF when it has none.
std::string line_end_of(std::string_view bytes);

// The first multi-byte UTF-8 sequence of a file that is valid UTF-8 throughout, or npos: Windows-1252 text
// with accents is almost never valid UTF-8.
std::size_t utf8_evidence(std::string_view bytes);

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

// The joined text the interpreter reads of a file (its line ends taken out, up to a Ctrl-Z), and where each
// of its characters came from. Large scripts are measured first, so that no list grows by doubling past what
// it needs.
void join_with_origins(std::string_view bytes, std::string& text, Origins& origins);

// A whole token of a file as the compiler takes it, for the tools that follow the compiler token by token
// (the formatter, the colours).
struct CompiledToken {
  std::string_view whole;              // in the joined text
  std::string_view token;              // cut as the compiler reads it
  std::size_t at = 0, end = 0;         // in the file: its first byte, and one past its last
  std::size_t unbroken = 0;            // of its characters, those from consecutive bytes of the file
  bool fits = true;                    // its class took it
  const std::string* ended = nullptr;  // the record of the statement it ended, if it ended one
};

// Every whole token of a file, in order up to where the interpreter stops reading, through one compiler.
template <class Each>
void for_each_compiled_token(std::string_view bytes, Each each) {
  std::string text;
  Origins origins;
  join_with_origins(bytes, text, origins);
  StatementCompiler compiler;
  for_each_whole_token(text, [&](std::string_view whole) {
    const auto joined = static_cast<std::size_t>(whole.data() - text.data());
    CompiledToken t{whole, cut_token(whole), origins.at(joined), origins.at(joined + whole.size() - 1) + 1,
                    origins.unbroken(joined, whole.size())};
    const std::size_t records = compiler.records().size();
    t.fits = compiler.compile(t.token);
    if (compiler.records().size() > records) t.ended = &compiler.records().back();
    each(t);
    return true;
  });
}

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

}  // namespace kal::check
