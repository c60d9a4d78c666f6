#include "database/database.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "common/extended.h"
#include "common/halt.h"
#include "common/limits.h"
#include "common/little_endian.h"
#include "common/messages.h"
#include "values/date_functions.h"
#include "values/number_reading.h"
#include "values/text_functions.h"

namespace kal::db {
namespace {

constexpr std::size_t kMaxRoot = 259;

std::string two_digits(int v) {
  return std::string(1, static_cast<char>('0' + v / 10 % 10)) + static_cast<char>('0' + v % 10);
}

// Whether a data record belongs to the field: its 31-byte name, up to a NUL, is the field's name.
bool names_field(const char* record, std::string_view field) {
  const char* name = record + data_at::kName;
  if (field.size() > kNameBytes || std::memcmp(name, field.data(), field.size()) != 0) return false;
  return field.size() == kNameBytes || name[field.size()] == '\0';
}

std::int64_t number_at(const char* p, int bytes) {
  return static_cast<std::int64_t>(read_little_endian(p, bytes));
}

}  // namespace

Database::Database(Platform& platform, std::string root_folder, std::string database_name)
    : root(std::move(root_folder)), name(std::move(database_name)), platform_(platform) {}

std::string Database::path(std::string_view extension) const {
  return root + name + "\\" + name + std::string(extension);
}

void Database::select(std::string_view database_name) {
  name = std::string(database_name);
  current_record = 1;
  search_position = 1;
}

void Database::missing_database() {
  std::string text(msg::kDatabasePrefix);
  text += name;
  text += msg::kDatabaseMissing;
  text += msg::kBreak;
  text += msg::kCannotGoOn;
  platform_.message_box(msg::kTitleProgrammer, text, Buttons::Ok);
  end_program();
}

void Database::refuse(std::string_view text) {
  platform_.message_box(msg::kTitleKal, text, Buttons::Ok);
  end_program();
}

void Database::set_root(std::string_view folder) {
  const std::string candidate = std::string(folder) + name + "\\" + name + ".z04";
  if (!platform_.attributes(candidate)) missing_database();
  root = std::string(folder.substr(0, kMaxRoot));
}

const std::vector<Field>* Database::structure() {
  const std::string p = structure_path();
  const std::optional<FileInfo> info = platform_.file_info(p);
  if (!info) return nullptr;
  if (p == fields_path_ && *info == fields_info_) return &fields_;
  fields_.clear();
  fields_path_ = p;
  fields_info_ = *info;
  // A folder has no fields.
  fields_ = decode_structure(platform_.read_file(p).value_or(std::string()));
  return &fields_;
}

FileInfo Database::data_file() {
  const std::string p = data_path();
  if (auto info = platform_.file_info(p)) return *info;
  platform_.append_file(p, {});
  return {};
}

std::int64_t Database::last_record_number() {
  const std::uint64_t records = data_file().size / kDataRecordSize;
  if (records == 0) return 0;
  auto file = platform_.open_input(data_path());
  char record[kDataRecordSize];
  if (!file || !file->seek((records - 1) * kDataRecordSize) ||
      file->read_fully(record, kDataRecordSize) != kDataRecordSize)
    return 0;
  return number_at(record + data_at::kRecordNumber, 8);
}

std::unique_ptr<HeldFile> Database::hold_data_file() {
  // Another program storing into the same database holds the data file for the moment of one append.
  for (int tries = 1;; ++tries) {
    std::unique_ptr<HeldFile> file;
    const ErrorCode error = platform_.hold_file(data_path(), file);
    if (error == 0) return file;
    if ((error != kSharingViolation && error != kLockViolation) || tries == kHoldTries) return nullptr;
    platform_.pause_milliseconds(1);
  }
}

void Database::write_failed() {
  std::string text(msg::kWriteFailedPrefix);
  text += name;
  text += msg::kBreak;
  text += msg::kCannotStore;
  refuse(text);
}

void Database::insert(std::string_view list) {
  const std::vector<Field>* structure_fields = structure();
  if (structure_fields == nullptr) refuse(msg::kWrongDatabaseName);
  const std::vector<Field>& all = *structure_fields;
  if (static_cast<std::int64_t>(all.size()) != element_count(list)) {
    std::string text(msg::kFieldCountPrefix);
    text += name;
    text += msg::kBreak;
    text += msg::kFieldCountDiffers;
    text += msg::kBreak;
    text += msg::kCannotStoreLower;
    refuse(text);
  }
  const LocalTime now = platform_.local_time();
  std::vector<std::string> values;
  std::string too_long;
  for (std::size_t i = 0; i < all.size(); ++i) {
    const Field& f = all[i];
    std::string v;
    if (f.type == kTimeField)
      v = two_digits(now.hour) + ":" + two_digits(now.minute);
    else if (f.type == kDateField)
      v = date_text(now.day, now.month, now.year);
    else if (stores_given_element(f.type))
      v = std::string(select_field(list, "|", static_cast<std::int64_t>(i) + 1));
    // A negative maximum takes no value at all, not even the empty one.
    if (static_cast<std::int64_t>(v.size()) > f.max_length) {
      too_long += f.name;
      too_long += msg::kTooLongHas;
      too_long += std::to_string(v.size());
      too_long += msg::kTooLongLimit;
      too_long += std::to_string(f.max_length);
      too_long += msg::kBreak;
    }
    values.push_back(std::move(v));
  }
  if (!too_long.empty()) refuse(too_long + std::string(msg::kCannotStore));

  // Reading the last record number and writing after it is one step under the hold, so two programs storing
  // at once never take the same number.
  std::unique_ptr<HeldFile> file = hold_data_file();
  if (!file) write_failed();
  // The new record starts at the record boundary: the bytes of a record cut short (a crash, a full disk) are
  // written over, so every record after them stays aligned.
  const std::uint64_t size = file->size();
  const std::uint64_t end = size - size % kDataRecordSize;
  char last[kDataRecordSize];
  const std::int64_t previous =
      end != 0 && file->read_at(end - kDataRecordSize, last, kDataRecordSize) == kDataRecordSize
          ? number_at(last + data_at::kRecordNumber, 8)
          : 0;
  // A damaged file may end with the largest record number: the next one would wrap to a negative number.
  if (previous == std::numeric_limits<std::int64_t>::max()) write_failed();
  std::string bytes;
  for (std::size_t i = 0; i < all.size(); ++i) bytes += encode_value(all[i], values[i], previous + 1);
  if (bytes.empty()) return;  // a record of empty values occupies nothing
  std::string stray(static_cast<std::size_t>(size - end), '\0');
  if (!stray.empty()) file->read_at(end, stray.data(), stray.size());
  // One write for the whole record; one that fails is taken back, so the file is left exactly as it was.
  if (!file->write_at(end, bytes)) {
    file->truncate(end);
    file->write_at(end, stray);
    write_failed();
  }
}

bool Database::fill_window(InputFile& file, std::int64_t from, std::int64_t records) {
  const auto count = static_cast<std::size_t>(std::min<std::int64_t>(kWindowRecords, records - from + 1));
  window_.first = from;
  window_.bytes.resize(count * kDataRecordSize);
  const std::size_t got = file.seek(static_cast<std::uint64_t>(from - 1) * kDataRecordSize)
                              ? file.read_fully(window_.bytes.data(), window_.bytes.size())
                              : 0;
  window_.bytes.resize(got - got % kDataRecordSize);  // a partial last record is not a record
  return !window_.bytes.empty();
}

std::string Database::stored_value(std::string_view field_name, std::int64_t record, bool serve_window) {
  const std::string path = data_path();
  const FileInfo info = data_file();
  const auto records = static_cast<std::int64_t>(info.size / kDataRecordSize);
  if (search_position < 1 || search_position > records) return {};
  // The records read last still hold while the file keeps its length and write time, so a forward walk opens
  // the file once for many reads.
  if (window_.path != path || window_.info != info) window_ = DataWindow{path, info, 0, {}};
  std::unique_ptr<InputFile> file;
  std::string collected;
  std::int64_t record_start = 0;  // the first data record of `record` this scan met
  for (std::int64_t k = search_position; k <= records;) {
    if (k < window_.first || k >= window_.end()) {
      if (!file) file = platform_.open_input(path);
      if (!file || !fill_window(*file, k, records)) return {};
    }
    for (; k < window_.end(); ++k) {
      if (serve_window) platform_.serve_one_message();
      const char* r = window_.bytes.data() + static_cast<std::size_t>(k - window_.first) * kDataRecordSize;
      if (record_start == 0 && number_at(r + data_at::kRecordNumber, 8) == record) record_start = k;
      if (!names_field(r, field_name)) {
        collected.clear();
        continue;
      }
      if (number_at(r + data_at::kRecordNumber, 8) != record) continue;
      if (collected.size() < limits::kMaxValueLength) collected += r[4];
      if (number_at(r + data_at::kLast, 4) == 1) {
        // The search goes on from the record's first character, not the value's last: every field of the
        // record, read again or in any order, is still ahead of it, and a forward walk still skips what lies
        // behind.
        if (record != scan_record) {
          search_position = record_start;
          scan_record = record;
        }
        return collected;
      }
    }
  }
  return {};
}

std::string Database::read_field(std::string_view field_name, bool serve_window) {
  const std::vector<Field>* fields = structure();
  if (fields == nullptr) missing_database();
  std::int16_t type = 0;
  std::string choices;
  for (const Field& f : *fields) {
    if (f.name != field_name) continue;
    type = f.type;
    if (f.type == kChoiceField) choices = f.choices;
  }
  std::string value = stored_value(field_name, current_record, serve_window);
  if (value.empty()) value = msg::kNoData;
  if (reads_as_number(type)) return numeric_text(value);
  if (type == kChoiceField) return choice(choices, value);
  // Types 3, 5 and 8 read the stored text, and so do the others (0, 6, 7, a name not in the structure).
  return value;
}

std::optional<std::string> Database::peek_field(std::string_view field_name) {
  if (name.empty() || structure() == nullptr || !platform_.file_info(data_path())) return std::nullopt;
  // The whole data file is looked through: the value stored in the current record, wherever the script's
  // own reads have got to.
  const std::int64_t position = search_position, scanned = scan_record;
  search_position = 1;
  std::string value = read_field(field_name, false);
  search_position = position;
  scan_record = scanned;
  return value;
}

std::string numeric_text(std::string_view stored) {
  std::string out;
  for (char c : stored) {
    if (c == '\'')
      out += '.';
    else if (c != '.')
      out += c;
  }
  return out;
}

std::string choice(std::string_view choices, std::string_view stored) {
  const long double n = round_half_even(ext::sub(read_number(stored), 99));
  const std::int64_t index = std::isfinite(n) ? static_cast<std::int64_t>(std::clamp(n, -1e15L, 1e15L)) : 0;
  return std::string(select_field(trim_spaces(choices), "|", index));
}

std::int64_t element_count(std::string_view list) {
  return static_cast<std::int64_t>(std::count(list.begin(), list.end(), '|')) + 1;
}

}  // namespace kal::db
