// The two record formats of a database, byte for byte: the structure file (one 12,042-byte record per field)
// and the data file (one 54-byte record per stored character). Numbers are little-endian.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kal::db {

inline constexpr std::size_t kStructureRecordSize = 12042;
inline constexpr std::size_t kDataRecordSize = 54;
inline constexpr std::size_t kNameBytes = 31;
inline constexpr std::size_t kChoiceBytes = 12001;

// Where each part of a structure record starts.
namespace structure_at {
inline constexpr std::size_t kId = 0, kName = 4, kType = 35, kMaxLength = 37, kExtra = 39, kChoices = 41;
}
// Where each part of a data record starts.
namespace data_at {
inline constexpr std::size_t kId = 0, kCharacter = 4, kName = 5, kType = 36, kMaxLength = 38,
                             kRecordNumber = 40, kExtra = 48, kLast = 50;
}

// What a field's type does: 1, 2 and 4 read as numbers, 3, 5 and 8 as the stored text; time and date are
// stored at the moment of storing; a choice is stored by its number and read as its text. Types 0 to 5, 8
// and 9 store the element given; any type outside 0 to 9 stores nothing.
enum FieldType : std::int16_t {
  kTimeField = 6,
  kDateField = 7,
  kChoiceField = 9,
  kLastFieldType = 9,
};
bool stores_given_element(std::int16_t type);
bool reads_as_number(std::int16_t type);

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
// Every field of a structure file, in order; a length that is no multiple of the record size leaves its last
// part out.
std::vector<Field> decode_structure(std::string_view file_bytes);
std::string encode_field(const Field& f);
DataRecord decode_data(std::string_view bytes);
std::string encode_data(const DataRecord& r);

// The characters of one value, one record each, the last one flagged; nothing for the empty value.
std::string encode_value(const Field& f, std::string_view value, std::int64_t record_number);

}  // namespace kal::db
