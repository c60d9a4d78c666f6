// Wrapped text blocks: how a text is cut into lines that fit a width, measured in the font that draws them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kal {

class TextMeasure {
 public:
  virtual ~TextMeasure() = default;
  virtual int width(std::string_view text) = 0;
  // How many of the text's first characters fit in max_width pixels.
  virtual int fit(std::string_view text, int max_width) = 0;
};

struct Split {
  std::string first, rest;
};

// The longest start of the text that fits and ends before a space (the one space at the break goes to neither
// part; further spaces stay at the start of the rest). A word wider than
// the width is cut after the last character that fits, and every first part holds one character at least, so
// any text comes to an end.
Split split_to_width(std::string_view text, int max_width, TextMeasure& measure);

inline constexpr int kBlockLines = 100;

// The 100 lines of a block: the text split to width - 5, then each of lines 2 to 99 that is longer than the
// line above split again to the full width, both parts without leading spaces. Line 100 is never split.
std::vector<std::string> block_lines(std::string_view text, int width, TextMeasure& measure);

// Whether a line of width w is stretched to the widest line's width m: only when it is narrower, but not
// narrower than 80 % of m (0.8 as a single-precision number, so exactly 80 % is too narrow).
bool justified(int w, int m);

}  // namespace kal
