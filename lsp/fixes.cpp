// Quick fixes: the mend of each problem whose fix the checker is sure of, as a code action that applies it.
#include <algorithm>

#include "lsp/features.h"

namespace kal::lsp {
Result code_actions(const Request& r) {
  const Document& d = r.document;
  json actions = json::array();
  if (const auto context = r.params.find("context"); context != r.params.end() && context->contains("only")) {
    const json& only = (*context)["only"];
    if (!only.is_array() || std::none_of(only.begin(), only.end(),
                                         [](const json& kind) { return kind == "quickfix" || kind == ""; }))
      return actions;
  }
  const auto [from, to] = offsets_of(d, r.params.at("range"));
  for (const check::Problem& p : d.analysis().problems) {
    // A problem the asked range touches, its own range ends included, as editors ask at the cursor.
    if (!p.fix || p.offset > to || p.offset + p.length < from) continue;
    json edits = json::array();
    for (const check::Edit& e : p.fix->edits)
      edits.push_back({{"range", range(d, e.offset, e.length)}, {"newText", utf8(e.text)}});
    actions.push_back({{"title", utf8(p.fix->title)},
                       {"kind", "quickfix"},
                       {"isPreferred", true},
                       {"diagnostics", json::array({diagnostic(d, p)})},
                       {"edit", {{"changes", {{r.uri, edits}}}}}});
  }
  return actions;
}

}  // namespace kal::lsp
