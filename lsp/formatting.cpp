// Formatting: the whole document or the statements a range touches laid out by the checker's formatter, as
// the edits that change only what moves.
#include "checker/formatter.h"
#include "lsp/features.h"

namespace kal::lsp {

Result formatting(const Request& r) {
  const Document& d = r.document;
  const auto asked = r.params.find("range");
  const auto [from, to] =
      asked == r.params.end() ? std::pair<std::size_t, std::size_t>{0, SIZE_MAX} : offsets_of(d, *asked);
  json edits = json::array();
  for (const check::Edit& e : check::format_edits(d.bytes(), d.analysis(), from, to))
    edits.push_back({{"range", range(d, e.offset, e.length)}, {"newText", utf8(e.text)}});
  return edits;
}

}  // namespace kal::lsp
