// The two record formats of a database, byte for byte: the structure file (one 12,042-byte record per field)
// and the data file (one 54-byte record per stored character). Numbers are little-endian.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kal::db {

inline constexpr std::size_t kStructureRecordSize = 12042;
inline constexpr std::size_t kDataRecordSize = 54;
inline constexpr std::size_t kNameBytes = 31;
inline constexpr std::size_t kChoiceBytes = 12001;

struct Field {
  std::int32_t id = 0;
  std::string name;  // up to its NUL, or all 31 bytes when there is none
  std::int16_t type = 0;
  std::int16_t max_length = 0;
  std::int16_t extra = 0;
  std::string choices;  // up to its NUL
};

struct DataRecord {
  std::int32_t id = 0;
  char character = 0;
  std::string name;
  std::int16_t type = 0;
  std::int16_t max_length = 0;
  std::int64_t record_number = 0;
  std::int16_t extra = 0;
  std::int32_t last = 0;  // 1 on a value's last character
};

// `bytes` holds exactly one record.
Field decode_field(std::string_view bytes);
std::string encode_field(const Field& f);
DataRecord decode_data(std::string_view bytes);
std::string encode_data(const DataRecord& r);

// The characters of one value, one record each, the last one flagged; nothing for the empty value.
std::string encode_value(const Field& f, std::string_view value, std::int64_t record_number);

}  // namespace kal::db
