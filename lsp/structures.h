// The structure files of the databases a script selects, as the language server reads them for hovers and
// completion. Only a regular file is read, opened without waiting (a named pipe or a device beside the script
// is passed over), and only up to kMaxBytes; each is decoded once while its size and time of writing stay, so
// that ten thousand selectors of one large database cost one reading.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "database/records.h"
#include "platform/host_files.h"

namespace kal::lsp {

class Structures {
 public:
  // About 2,700 fields: no database a person keeps comes near it.
  static constexpr std::uint64_t kMaxBytes = std::uint64_t{32} << 20;

  // The fields of the database `name` (Windows-1252, as the script writes it) beside the script in `folder`
  // (UTF-8, ending with "/"); none when there is no structure file to read.
  const std::vector<db::Field>& fields(const std::string& folder, const std::string& name);

 private:
  struct Held {
    host::Seen seen;  // while it stays, so do the fields read from it
    std::vector<db::Field> fields;
  };
  std::map<std::string, Held> held_;  // by the file's path
};

}  // namespace kal::lsp
