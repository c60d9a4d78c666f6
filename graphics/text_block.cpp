#include "graphics/text_block.h"

#include <algorithm>

namespace kal {
namespace {

std::string without_leading_spaces(std::string_view text) {
  const std::size_t start = text.find_first_not_of(' ');
  return start == std::string_view::npos ? std::string() : std::string(text.substr(start));
}

}  // namespace

Split split_to_width(std::string_view text, int max_width, TextMeasure& measure) {
  const std::size_t fits = static_cast<std::size_t>(std::max(measure.fit(text, max_width), 0));
  if (fits >= text.size()) return {std::string(text), {}};
  // The character at `fits` is the first that does not fit; a space there is still a place to break.
  std::size_t space = text.rfind(' ', fits);
  // The first part ends before the run of spaces that holds the break.
  while (space != std::string_view::npos && space > 0 && text[space - 1] == ' ') --space;
  if (space != std::string_view::npos && space > 0)
    return {std::string(text.substr(0, space)), std::string(text.substr(space + 1))};
  const std::size_t cut = std::max<std::size_t>(fits, 1);
  return {std::string(text.substr(0, cut)), std::string(text.substr(cut))};
}

std::vector<std::string> block_lines(std::string_view text, int width, TextMeasure& measure) {
  std::vector<std::string> lines(kBlockLines);
  Split s = split_to_width(text, width - 5, measure);
  lines[0] = std::move(s.first);
  lines[1] = std::move(s.rest);
  for (int i = 1; i < kBlockLines - 1; ++i) {
    if (lines[i].size() <= lines[i - 1].size()) continue;
    s = split_to_width(lines[i], width, measure);
    lines[i] = without_leading_spaces(s.first);
    lines[i + 1] = without_leading_spaces(s.rest);
  }
  return lines;
}

bool justified(int w, int m) {
  return m > w && static_cast<double>(0.8f) * m <= w;
}

}  // namespace kal
