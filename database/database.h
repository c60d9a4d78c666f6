// A script's file database: where it lies, which record the script is at, and the operations of its
// statements on the structure file (read only) and the data file (read, and appended to).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "database/records.h"
#include "platform/platform.h"

namespace kal::db {

class Database {
 public:
  // How many times a held data file is asked for, a millisecond apart, before storing gives up: about five
  // seconds, far longer than any other program holds it for one record.
  static constexpr int kHoldTries = 5000;

  Database(Platform& platform, std::string root, std::string name);

  // The selector statement [name].
  void select(std::string_view name);

  // RUTABD: the new root, when the current database lies there; otherwise the run ends with a message.
  void set_root(std::string_view path);
  // INSERTAR: the list's elements stored as a new record; every refusal ends the run with a message.
  void insert(std::string_view list);
  // TOTALREG: the last record number, 0 for an empty or new data file (which is then created).
  std::int64_t last_record_number();
  // A field of the current record as its type reads it; the run ends when the database is missing. With the
  // graphics window open, each record read lets the window handle one message.
  std::string read_field(std::string_view field_name, bool serve_window);
  // The field's value in the current record, for a look from outside the run (a debugger): nothing when the
  // database is missing, and neither a box, a created file nor a moved search position.
  std::optional<std::string> peek_field(std::string_view field_name);

  std::string structure_path() const { return path(".z04"); }
  std::string data_path() const { return path(".zbd"); }

  std::string root;
  std::string name;
  std::int64_t current_record = 0;
  std::int64_t search_position = 1;
  std::int64_t scan_record = 0;

 private:
  std::string path(std::string_view extension) const;
  [[noreturn]] void missing_database();
  [[noreturn]] void refuse(std::string_view text);
  [[noreturn]] void write_failed();
  // The data file held for an append, waiting while another program holds it; nullptr when it cannot be.
  std::unique_ptr<HeldFile> hold_data_file();
  // The structure file's fields, nullptr when it does not exist (a folder of that name has none).
  const std::vector<Field>* structure();
  // What is known of the data file; a missing one is created empty, as every operation that opens it does.
  FileInfo data_file();
  std::string stored_value(std::string_view field_name, std::int64_t record, bool serve_window);
  // Reads the window from record `from` on (1-based), at most up to record `records`; false when nothing
  // could be read.
  bool fill_window(InputFile& file, std::int64_t from, std::int64_t records);

  Platform& platform_;
  // The structure file, read again only when its path, length or write time changes: the interpreter never
  // writes it.
  std::string fields_path_;
  FileInfo fields_info_;
  std::vector<Field> fields_;
  // The data-file records field reads read last, from record `first` on.
  static constexpr std::int64_t kWindowRecords = 1024;
  struct DataWindow {
    std::string path;
    FileInfo info;
    std::int64_t first = 0;
    std::string bytes;
    std::int64_t end() const { return first + static_cast<std::int64_t>(bytes.size() / kDataRecordSize); }
  };
  DataWindow window_;
};

// Types 1, 2 and 4: every "'" becomes "." and every "." goes (1.234'5 reads as 1234.5).
std::string numeric_text(std::string_view stored);
// Type 9: the choice numbered stored - 99 in the "|"-separated list (negative from the end, 0 or beyond the
// list nothing).
std::string choice(std::string_view choices, std::string_view stored);
// The elements of a record list: its "|" characters plus one.
std::int64_t element_count(std::string_view list);

}  // namespace kal::db
