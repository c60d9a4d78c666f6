// Formatting: the whole document or the statements a range touches laid out by the checker's formatter, as
// the edits that change only what moves.
#include "checker/formatter.h"
#include "lsp/features.h"

namespace kal::lsp {
namespace {

constexpr std::size_t kNear = 64;  // bytes

}  // namespace

Result formatting(const Request& r) {
  const Document& d = r.document;
  const auto asked = r.params.find("range");
  const auto [from, to] =
      asked == r.params.end() ? std::pair<std::size_t, std::size_t>{0, SIZE_MAX} : offsets_of(d, *asked);
  // A careless script gets an edit for nearly every blank: edits a few characters apart on one line go as
  // one, so that a large script's reply stays small enough for the editor to read at once. A "?" stands for a
  // character Windows-1252 lacks, so the words between two edits are sent back only when they hold none.
  std::vector<check::Edit> merged;
  for (check::Edit& e : check::format_edits(d.bytes(), d.analysis(), from, to)) {
    if (!merged.empty()) {
      check::Edit& last = merged.back();
      const std::string_view between =
          std::string_view(d.bytes()).substr(last.offset + last.length, e.offset - last.offset - last.length);
      if (between.size() <= kNear && between.find_first_of("?\r\n") == std::string_view::npos) {
        last.text.append(between).append(e.text);
        last.length = e.offset + e.length - last.offset;
        continue;
      }
    }
    merged.push_back(std::move(e));
  }
  // Written as text, as other replies of many places.
  std::string edits = r.reply_start + "[";
  for (const check::Edit& e : merged) {
    edits.append(edits.back() == '[' ? R"({"range":)" : R"(,{"range":)");
    append_range(edits, d, e.offset, e.length);
    edits.append(R"(,"newText":)").append(quoted(utf8(e.text))).append("}");
  }
  return Result::written(std::move(edits += "]"));
}

}  // namespace kal::lsp
