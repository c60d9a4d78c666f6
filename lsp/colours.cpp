// Semantic tokens: each token coloured as the interpreter reads it, on top of the editor's own grammar, which
// can only guess where KAL's tokens end.
#include "checker/colours.h"
#include "lsp/features.h"

namespace kal::lsp {
namespace {

using Kind = check::Coloured::Kind;

// The legend's index of each kind, in the order of the kinds; a constant is a variable read only.
constexpr unsigned kTypeOf[] = {0, 1, 2, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};

}  // namespace

json colour_legend() {
  return {{"tokenTypes",
           {"keyword", "function", "variable", "property", "string", "number", "regexp", "label", "operator",
            "namespace", "comment", "refused"}},
          {"tokenModifiers", {"readonly"}}};
}

Result semantic_tokens(const Request& r) {
  const Document& d = r.document;
  // Five numbers a token, for a hundred thousand tokens: written as text.
  std::string data = r.reply_start + R"({"data":[)";
  Position last;
  bool first = true;
  for (const check::Coloured& c : check::colours(d.bytes())) {
    const Position at = d.position(c.offset);
    const std::size_t line = at.line - last.line;
    const std::size_t character = line == 0 ? at.character - last.character : at.character;
    if (!first) data += ',';
    first = false;
    data.append(std::to_string(line)).append(",").append(std::to_string(character)).append(",");
    data.append(std::to_string(c.length)).append(",");
    data.append(std::to_string(kTypeOf[static_cast<unsigned>(c.kind)])).append(",");
    data.append(c.kind == Kind::Constant ? "1" : "0");
    last = at;
  }
  return Result::written(std::move(data += "]}"));
}

}  // namespace kal::lsp
