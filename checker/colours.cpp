#include "checker/colours.h"

#include <limits>
#include <string>

#include "checker/joined_text.h"
#include "compiler/token_class.h"

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
  out.reserve(bytes.size() / 4 + 16);
  std::size_t statement = 0;  // its first token in out
  bool in_comment = false;
  for_each_compiled_token(bytes, [&](const CompiledToken& t) {
    const Kind kind = t.fits ? kind_of(t.token, in_comment) : Kind::Refused;
    in_comment = in_comment || kind == Kind::Comment;
    out.push_back({static_cast<std::uint32_t>(t.at),
                   static_cast<std::uint32_t>(std::max<std::size_t>(t.unbroken, 1)), kind});
    if (t.ended != nullptr) {
      // A comment opener makes all of its statement a comment, the words before it too.
      if (t.ended->starts_with('\''))
        for (std::size_t k = statement; k < out.size(); ++k)
          if (out[k].kind != Kind::Refused) out[k].kind = Kind::Comment;
      statement = out.size();
      in_comment = false;
    }
  });
  return out;
}

}  // namespace kal::check
