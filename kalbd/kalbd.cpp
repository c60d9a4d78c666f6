// kalbd: creates a KAL database from a short description, and prints a database's records as CSV. KAL itself
// only reads structure files, so a database starts here.
//
//   kalbd crear  RAIZ NOMBRE DESCRIPCION   the folder RAIZ/NOMBRE with NOMBRE.z04 (and an empty NOMBRE.zbd)
//   kalbd listar RAIZ NOMBRE [--cp1252]     the records as CSV, in UTF-8 unless asked for Windows-1252
//
// A description has one field a line: name, type (0 to 9), maximum length and, for type 9, the choices
// separated by "|"; blanks between them. Lines that are empty or start with "#" are skipped. It is UTF-8
// text.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/cp1252.h"
#include "database/records.h"

namespace fs = std::filesystem;
using kal::db::Field;

namespace {

int usage() {
  std::cerr << "uso: kalbd crear RAIZ NOMBRE DESCRIPCION\n"
               "     kalbd listar RAIZ NOMBRE [--cp1252]\n";
  return 2;
}

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

fs::path database_file(const fs::path& root, const std::string& name, const char* extension) {
  return root / name / (name + extension);
}

int create(const fs::path& root, const std::string& name, const fs::path& description) {
  std::ifstream in(description);
  if (!in) {
    std::cerr << "kalbd: no puedo leer " << description << "\n";
    return 1;
  }
  std::string structure;
  std::string line;
  int id = 0;
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos || line[line.find_first_not_of(" \t")] == '#')
      continue;
    std::istringstream words(line);
    Field f;
    int type = 0, length = 0;
    if (!(words >> f.name >> type >> length) || type < 0 || type > 9 || length < 0 || length > 32767) {
      std::cerr << "kalbd: linea " << number << ": se espera nombre, tipo (0 a 9) y longitud\n";
      return 1;
    }
    std::string choices;
    std::getline(words >> std::ws, choices);
    f.name = kal::cp1252::from_utf8(f.name);
    if (f.name.size() > 30) {
      std::cerr << "kalbd: linea " << number << ": un nombre tiene 30 caracteres como mucho\n";
      return 1;
    }
    f.id = ++id;
    f.type = static_cast<std::int16_t>(type);
    f.max_length = static_cast<std::int16_t>(length);
    f.choices = kal::cp1252::from_utf8(choices);
    structure += kal::db::encode_field(f);
  }
  fs::create_directories(root / name);
  std::ofstream(database_file(root, name, ".z04"), std::ios::binary) << structure;
  const fs::path data = database_file(root, name, ".zbd");
  if (!fs::exists(data)) std::ofstream(data, std::ios::binary).flush();
  return 0;
}

std::string csv(const std::string& value) {
  if (value.find_first_of(",\"\r\n") == std::string::npos) return value;
  std::string out = "\"";
  for (char c : value) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

int list(const fs::path& root, const std::string& name, bool cp1252) {
  const std::string structure = slurp(database_file(root, name, ".z04"));
  const std::string data = slurp(database_file(root, name, ".zbd"));
  std::vector<Field> fields;
  for (std::size_t at = 0; at + kal::db::kStructureRecordSize <= structure.size();
       at += kal::db::kStructureRecordSize)
    fields.push_back(
        kal::db::decode_field(std::string_view(structure).substr(at, kal::db::kStructureRecordSize)));
  if (fields.empty()) {
    std::cerr << "kalbd: la base de datos " << name << " no tiene estructura en " << root << "\n";
    return 1;
  }
  // Record number -> field name -> value, the characters in the order the file holds them.
  std::map<std::int64_t, std::map<std::string, std::string>> records;
  for (std::size_t at = 0; at + kal::db::kDataRecordSize <= data.size(); at += kal::db::kDataRecordSize) {
    const auto r = kal::db::decode_data(std::string_view(data).substr(at, kal::db::kDataRecordSize));
    records[r.record_number][r.name] += r.character;
  }
  auto out = [&](const std::string& text) { std::cout << (cp1252 ? text : kal::cp1252::to_utf8(text)); };
  out("registro");
  for (const Field& f : fields) {
    out(",");
    out(csv(f.name));
  }
  out("\r\n");
  for (const auto& [number, values] : records) {
    out(std::to_string(number));
    for (const Field& f : fields) {
      auto it = values.find(f.name);
      out(",");
      out(csv(it == values.end() ? std::string() : it->second));
    }
    out("\r\n");
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 4 && args[0] == "crear")
    return create(args[1], kal::cp1252::from_utf8(args[2]), args[3]);
  if ((args.size() == 3 || (args.size() == 4 && args[3] == "--cp1252")) && args[0] == "listar")
    return list(args[1], kal::cp1252::from_utf8(args[2]), args.size() == 4);
  return usage();
}
