#include <cstdint>

#include "builtins/builtins.h"
#include "builtins/file_rules.h"
#include "common/limits.h"
#include "interp/interpreter.h"
#include "values/number_format.h"
#include "values/number_reading.h"

namespace kal {
namespace {

constexpr std::size_t kMaxListed = 2000;

std::string path_of(Interpreter& in, std::string_view operand) {
  return resolve_path(in.program_folder(), operand);
}

std::string error_text(ErrorCode code) {
  return std::to_string(error_number(code));
}

// The names of the entries a listing shows, joined with "|"; "vacio" when none.
std::string listing(Interpreter& in, std::string_view folder, bool (*listed)(const DirectoryEntry&)) {
  std::string out;
  std::size_t count = 0;
  in.platform().find_entries(path_of(in, folder) + "*.*", [&](const DirectoryEntry& entry) {
    if (!listed(entry)) return true;
    if (count++ > 0) out += '|';
    out += entry.name;
    // A longer text would be cut to this anyway.
    return count < kMaxListed && out.size() < limits::kMaxValueLength;
  });
  return count == 0 ? "vacio" : out;
}

}  // namespace

std::string fn_leertexto(Interpreter& in, Operands ops) {
  auto file = in.platform().open_input(path_of(in, ops[0]));
  return file ? read_joined_lines(*file, limits::kMaxValueLength) : std::string();
}

std::string fn_leerlineatexto(Interpreter& in, Operands ops) {
  auto file = in.platform().open_input(path_of(in, ops[0]));
  return file ? read_line(*file, read_whole_number(ops[1]), limits::kMaxValueLength) : std::string();
}

// The name always goes after the program folder, and a failure to write still answers "1".
std::string fn_wout(Interpreter& in, Operands ops) {
  std::string path = in.program_folder();
  path += ops[0];
  std::string line(ops[1]);
  line += "\r\n";
  in.platform().append_file(path, line);
  if (ops[2] == "1") in.platform().shell_open(path);
  return "1";
}

std::string fn_atributo(Interpreter& in, Operands ops) {
  if (has_wildcards(ops[0])) return "64";
  constexpr std::uint32_t kSettable =
      attribute::kReadOnly | attribute::kHidden | attribute::kSystem | attribute::kArchive;
  const auto bits = static_cast<std::uint32_t>(read_whole_number(ops[1])) & kSettable;
  return error_text(in.platform().set_attributes(path_of(in, ops[0]), bits));
}

std::string fn_nombre(Interpreter& in, Operands ops) {
  constexpr std::size_t kMaxRenamePath = 256;
  const std::string from = path_of(in, ops[0]);
  const std::string to = path_of(in, ops[1]);
  if (has_wildcards(from) || has_wildcards(to) || from.size() > kMaxRenamePath || to.size() > kMaxRenamePath)
    return "64";
  const int number = error_number(in.platform().move_file(from, to));
  return std::to_string(number == 75 ? 58 : number);
}

std::string fn_copiaf(Interpreter& in, Operands ops) {
  return error_text(in.platform().copy_file(path_of(in, ops[0]), path_of(in, ops[1])));
}

// Deletes every file the pattern matches, passing over hidden, system, volume-label and folder entries; the
// first deletion that fails ends the work.
std::string fn_borraf(Interpreter& in, Operands ops) {
  constexpr std::uint32_t kKept =
      attribute::kHidden | attribute::kSystem | attribute::kVolumeLabel | attribute::kDirectory;
  const std::string pattern = path_of(in, ops[0]);
  const std::string folder(folder_of_pattern(pattern));
  ErrorCode failed = 0;
  const ErrorCode search = in.platform().find_entries(pattern, [&](const DirectoryEntry& entry) {
    if ((entry.attributes & kKept) != 0) return true;
    failed = in.platform().delete_file(folder + entry.name);
    return failed == 0;
  });
  if (search != 0) return "53";
  return error_text(failed);
}

std::string fn_carpeta(Interpreter& in, Operands ops) {
  return error_text(in.platform().create_folder(path_of(in, ops[0])));
}

std::string fn_existe(Interpreter& in, Operands ops) {
  return in.platform().attributes(path_of(in, ops[0])) ? "-1" : "0";
}

std::string fn_pesof(Interpreter& in, Operands ops) {
  std::string size = "-1";
  in.platform().find_entries(path_of(in, ops[0]), [&](const DirectoryEntry& entry) {
    size = plain_number_text(static_cast<long double>(entry.size), 15);
    return false;
  });
  return size;
}

std::string fn_listarfic(Interpreter& in, Operands ops) {
  return listing(in, ops[0], listed_as_file);
}

std::string fn_listardir(Interpreter& in, Operands ops) {
  return listing(in, ops[0], listed_as_folder);
}

std::string fn_listarunidad(Interpreter& in, Operands) {
  constexpr int kRemovable = 2, kFixed = 3;
  std::string out;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const int type = in.platform().drive_type(letter);
    if (type != kRemovable && type != kFixed) continue;
    if (!out.empty()) out += '|';
    out += letter;
    out += ":\\";
  }
  return out;
}

}  // namespace kal
