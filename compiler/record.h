// A compiled statement record: the shape, then "|" and each field. Field 1 is the shape.
#pragma once

#include <cstddef>
#include <string_view>

namespace kal {

// Field k (1-based) of a record, or the empty text when the record has fewer fields.
std::string_view record_field(std::string_view record, std::size_t k);
std::size_t record_field_count(std::string_view record);

}  // namespace kal
