#include "database/records.h"

#include <algorithm>

#include "common/little_endian.h"

namespace kal::db {
namespace {

std::uint64_t get(std::string_view b, std::size_t at, int bytes) {
  std::uint64_t v = 0;
  for (int i = bytes; i-- > 0;)
    v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
  return v;
}

void put(std::string& out, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A text field: up to its first NUL, within its bytes.
std::string text_at(std::string_view b, std::size_t at, std::size_t size) {
  std::string_view t = b.substr(at, size);
  return std::string(t.substr(0, std::min(t.find('\0'), t.size())));
}

// Written with a NUL after it and NULs to the end; a text that fills the field has no room for its NUL, and
// one longer is cut.
void put_text(std::string& out, std::string_view t, std::size_t size) {
  const std::size_t n = std::min(t.size(), size);
  out.append(t.substr(0, n));
  out.append(size - n, '\0');
}

}  // namespace

Field decode_field(std::string_view b) {
  Field f;
  f.id = static_cast<std::int32_t>(get(b, structure_at::kId, 4));
  f.name = text_at(b, structure_at::kName, kNameBytes);
  f.type = static_cast<std::int16_t>(get(b, structure_at::kType, 2));
  f.max_length = static_cast<std::int16_t>(get(b, structure_at::kMaxLength, 2));
  f.extra = static_cast<std::int16_t>(get(b, structure_at::kExtra, 2));
  f.choices = text_at(b, structure_at::kChoices, kChoiceBytes);
  return f;
}

std::vector<Field> decode_structure(std::string_view bytes) {
  std::vector<Field> fields;
  for (std::size_t at = 0; at + kStructureRecordSize <= bytes.size(); at += kStructureRecordSize)
    fields.push_back(decode_field(bytes.substr(at, kStructureRecordSize)));
  return fields;
}

bool stores_given_element(std::int16_t type) {
  return (type >= 0 && type <= 5) || type == 8 || type == kChoiceField;
}

bool reads_as_number(std::int16_t type) {
  return type == 1 || type == 2 || type == 4;
}

std::string encode_field(const Field& f) {
  std::string out;
  out.reserve(kStructureRecordSize);
  put(out, static_cast<std::uint32_t>(f.id), 4);
  put_text(out, f.name, kNameBytes);
  put(out, static_cast<std::uint16_t>(f.type), 2);
  put(out, static_cast<std::uint16_t>(f.max_length), 2);
  put(out, static_cast<std::uint16_t>(f.extra), 2);
  put_text(out, f.choices, kChoiceBytes);
  return out;
}

DataRecord decode_data(std::string_view b) {
  DataRecord r;
  r.id = static_cast<std::int32_t>(get(b, data_at::kId, 4));
  r.character = b[data_at::kCharacter];
  r.name = text_at(b, data_at::kName, kNameBytes);
  r.type = static_cast<std::int16_t>(get(b, data_at::kType, 2));
  r.max_length = static_cast<std::int16_t>(get(b, data_at::kMaxLength, 2));
  r.record_number = static_cast<std::int64_t>(get(b, data_at::kRecordNumber, 8));
  r.extra = static_cast<std::int16_t>(get(b, data_at::kExtra, 2));
  r.last = static_cast<std::int32_t>(get(b, data_at::kLast, 4));
  return r;
}

std::string encode_data(const DataRecord& r) {
  std::string out;
  out.reserve(kDataRecordSize);
  put(out, static_cast<std::uint32_t>(r.id), 4);
  out += r.character;
  put_text(out, r.name, kNameBytes);
  put(out, static_cast<std::uint16_t>(r.type), 2);
  put(out, static_cast<std::uint16_t>(r.max_length), 2);
  put(out, static_cast<std::uint64_t>(r.record_number), 8);
  put(out, static_cast<std::uint16_t>(r.extra), 2);
  put(out, static_cast<std::uint32_t>(r.last), 4);
  return out;
}

std::string encode_value(const Field& f, std::string_view value, std::int64_t record_number) {
  std::string out;
  out.reserve(value.size() * kDataRecordSize);
  DataRecord r{f.id, 0, f.name, f.type, f.max_length, record_number, f.extra, 0};
  for (std::size_t i = 0; i < value.size(); ++i) {
    r.character = value[i];
    r.last = i + 1 == value.size() ? 1 : 0;
    out += encode_data(r);
  }
  return out;
}

}  // namespace kal::db
