#include "checker/colours.h"

#include <limits>
#include <string>

#include "checker/joined_text.h"
#include "compiler/statement_compiler.h"
#include "compiler/token_class.h"
#include "launcher/script_reader.h"

namespace kal::check {
namespace {

using Kind = Coloured::Kind;

// In the compiler's order of tests, so that each token is what the compiler makes of it.
Kind kind_of(std::string_view t, bool in_comment) {
  if (t == ":=" || t == ";" || is_operator(t)) return Kind::Operator;
  if (is_integer_literal(t) || is_decimal_literal(t)) return in_comment ? Kind::Comment : Kind::Number;
  if (in_comment || is_comment_opener(t)) return Kind::Comment;
  if (is_mask_literal(t)) return Kind::Mask;
  if (is_database_selector(t)) return Kind::Selector;
  switch (t.front()) {
    case '&':
      return Kind::Variable;
    case '#':
      return Kind::Field;
    case '@':
      return Kind::Constant;
    case '~':
      return Kind::Text;
    case '%':
      return Kind::Function;
    case '.':
      return Kind::Command;
    default:
      return Kind::Label;
  }
}

}  // namespace

std::vector<Coloured> colours(std::string_view bytes) {
  std::vector<Coloured> out;
  if (bytes.size() > std::numeric_limits<std::uint32_t>::max()) return out;
  std::string text;
  Origins origins;
  join_with_origins(bytes, text, origins);
  out.reserve(text.size() / 4 + 16);
  StatementCompiler compiler;
  std::size_t statement = 0;  // its first token in out
  bool in_comment = false;
  for_each_whole_token(text, [&](std::string_view whole) {
    const auto joined = static_cast<std::size_t>(whole.data() - text.data());
    const std::string_view token = cut_token(whole);
    const std::size_t records = compiler.records().size();
    const bool fits = compiler.compile(token);
    const Kind kind = fits ? kind_of(token, in_comment) : Kind::Refused;
    in_comment = in_comment || kind == Kind::Comment;
    out.push_back(
        {static_cast<std::uint32_t>(origins.at(joined)),
         static_cast<std::uint32_t>(std::max<std::size_t>(origins.unbroken(joined, whole.size()), 1)), kind});
    if (compiler.records().size() > records) {
      // A comment opener makes all of its statement a comment, the words before it too.
      if (compiler.records().back().starts_with('\''))
        for (std::size_t k = statement; k < out.size(); ++k)
          if (out[k].kind != Kind::Refused) out[k].kind = Kind::Comment;
      statement = out.size();
      in_comment = false;
    }
    return true;
  });
  return out;
}

}  // namespace kal::check
