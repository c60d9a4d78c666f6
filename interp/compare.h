// The comparison statements: pair rules on single values and the element-by-element rule on lists.
#pragma once

#include <cstdint>
#include <string_view>

namespace kal {

enum class Comparison {
  Same,            // cmp: the same text
  Different,       // dis
  Greater,         // mar
  Less,            // mer
  GreaterOrEqual,  // mai
  LessOrEqual,     // mei
};

// The comparison flag after one pair of single values, given the flag before it.
std::int32_t compare_pair(Comparison how, std::string_view a, std::string_view b, std::int32_t flag);

// The comparison flag after comparing two values element by element ("|" separates the elements): each
// element of a against each element of b, in order, stopping as soon as a pair leaves the flag at 1.
std::int32_t compare_values(Comparison how, std::string_view a, std::string_view b, std::int32_t flag);

}  // namespace kal
