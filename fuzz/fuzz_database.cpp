// The database readers on any structure and data files: the first byte splits the input between the two.
#include <cstddef>
#include <cstdint>
#include <string>

#include "database/database.h"
#include "fuzz/fuzz_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  // Whole structure records are large: a structure part of k bytes is repeated up to the record size.
  const std::size_t cut = std::min<std::size_t>(data[0], bytes.size());
  std::string structure = bytes.substr(0, cut);
  if (!structure.empty()) {
    while (structure.size() < kal::db::kStructureRecordSize) structure += structure;
    structure.resize(kal::db::kStructureRecordSize * (1 + data[0] % 3));
  }
  kal::fuzz::FuzzPlatform platform;
  platform.put_file("C:\\kal\\b\\b.z04", structure);
  platform.put_file("C:\\kal\\b\\b.zbd", bytes.substr(cut));
  kal::db::Database db(platform, "C:\\kal\\", "b");
  try {
    db.select("b");
    (void)db.last_record_number();
    for (std::int64_t record : {1, 2, 0}) {
      db.current_record = record;
      for (const char* name : {"nombre", "", "b"}) (void)db.read_field(name, false);
    }
    db.insert("a|b|c");
  } catch (const kal::Halt&) {
  }
  return 0;
}
