#include "interp/dispatch_table.h"

#include "common/name_index.h"

namespace kal {
namespace {

// Every record is matched once before the run; the index keeps that constant-time while "first family wins"
// still holds, because a shape is only indexed the first time it appears.
const NameIndex<const Family*>& shape_index() {
  static const auto index = [] {
    NameIndex<const Family*> map;
    for (const Family& f : dispatch_families())
      for (std::string_view shape : f.shapes) map.insert(shape, &f);
    return map;
  }();
  return index;
}

}  // namespace

const Family* find_family(std::string_view shape) {
  return shape_index().find(shape, nullptr);
}

}  // namespace kal
