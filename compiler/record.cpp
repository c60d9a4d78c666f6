#include "compiler/record.h"

#include <algorithm>

namespace kal {

std::string_view record_field(std::string_view record, std::size_t k) {
  std::size_t start = 0;
  for (std::size_t i = 1; i < k; ++i) {
    std::size_t bar = record.find('|', start);
    if (bar == std::string_view::npos) return {};
    start = bar + 1;
  }
  std::size_t end = record.find('|', start);
  return record.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

std::size_t record_field_count(std::string_view record) {
  return 1 + static_cast<std::size_t>(std::count(record.begin(), record.end(), '|'));
}

}  // namespace kal
