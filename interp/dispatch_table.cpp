#include "interp/dispatch_table.h"

#include <string>
#include <unordered_map>

#include "interp/handlers.h"

namespace kal {
namespace {

constexpr std::string_view kDotShapes[] = {"."};
constexpr Keyword kDotWords[] = {{"fin", run_fin}};
constexpr std::string_view kLabelShapes[] = {":"};

constexpr Family kFamilies[] = {
    {kDotShapes, KeywordAt::Field2Lower, kDotWords, nullptr},
    {kLabelShapes, KeywordAt::None, {}, run_label},
};

// Shapes are looked up once per executed statement: an index keeps that constant-time while "first family
// wins" still holds, because a shape is only indexed the first time it appears.
const std::unordered_map<std::string_view, const Family*>& shape_index() {
  static const auto index = [] {
    std::unordered_map<std::string_view, const Family*> map;
    for (const Family& f : kFamilies)
      for (std::string_view shape : f.shapes) map.emplace(shape, &f);
    return map;
  }();
  return index;
}

}  // namespace

const Family* find_family(std::string_view shape) {
  const auto& index = shape_index();
  auto it = index.find(shape);
  return it == index.end() ? nullptr : it->second;
}

std::span<const Family> dispatch_families() {
  return kFamilies;
}

}  // namespace kal
