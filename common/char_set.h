// A character list as a 256-entry membership table, for the class tests of tokens and values.
#pragma once

#include <algorithm>
#include <array>
#include <string_view>

#include "common/cp1252.h"

namespace kal {

// `folded` tables answer for the lower-cased character, so a capital passes only when its small form is
// listed.
class CharSet {
 public:
  CharSet(std::string_view chars, bool folded) {
    std::array<bool, 256> listed{};
    for (char c : chars) listed[static_cast<unsigned char>(c)] = true;
    for (int c = 0; c < 256; ++c)
      member_[c] = folded ? listed[cp1252::to_lower(static_cast<unsigned char>(c))] : listed[c];
  }
  void add(unsigned char c) { member_[c] = true; }
  bool all_of(std::string_view t) const {
    return std::all_of(t.begin(), t.end(), [this](char c) { return member_[static_cast<unsigned char>(c)]; });
  }

 private:
  std::array<bool, 256> member_{};
};

inline constexpr bool kFolded = true;
inline constexpr bool kExact = false;

}  // namespace kal
