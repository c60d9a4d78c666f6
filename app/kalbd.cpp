// kalbd: creates a KAL database from a short description, and prints a database's records as CSV. KAL itself
// only reads structure files, so a database starts here.
//
//   kalbd crear  RAIZ NOMBRE DESCRIPCION [--cp1252]   the folder RAIZ/NOMBRE with NOMBRE.z04 (and an empty
//                                                      NOMBRE.zbd); the description in UTF-8, or Windows-1252
//   kalbd listar RAIZ NOMBRE [--cp1252] [--numeros]    the records as CSV, in UTF-8 unless asked for
//                                                      Windows-1252; choice fields by their choice, as KAL
//                                                      reads them, or by the stored number
//
// A description has one field a line: name, type (0 to 9), maximum length and, for type 9, the choices
// separated by "|"; blanks between them. Lines that are empty or start with "#" are skipped. A description
// that is not valid UTF-8 (one saved as ANSI) is refused unless --cp1252 says so: guessing would store "?"
// for every accent.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/cp1252.h"
#include "database/database.h"
#include "database/records.h"

namespace fs = std::filesystem;
using kal::db::Field;

namespace {

int usage() {
  std::cerr << "uso: kalbd crear RAIZ NOMBRE DESCRIPCION [--cp1252]\n"
               "     kalbd listar RAIZ NOMBRE [--cp1252] [--numeros]\n";
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

int create(const fs::path& root, const std::string& name, const fs::path& description, bool cp1252) {
  std::ifstream in(description, std::ios::binary);
  if (!in) {
    std::cerr << "kalbd: no puedo leer " << description << "\n";
    return 1;
  }
  std::string structure;
  std::string line;
  int id = 0;
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (number == 1 && !cp1252 && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);  // Notepad's mark
    if (!cp1252) {
      const std::optional<std::string> text = kal::cp1252::from_utf8_exact(line);
      if (!text) {
        std::cerr << "kalbd: linea " << number
                  << ": no es texto UTF-8, o lleva un caracter que Windows-1252 no tiene. Guarde la "
                     "descripcion en UTF-8, o si esta guardada como ANSI (Windows-1252) anada --cp1252\n";
        return 1;
      }
      line = *text;
    }
    if (line.find_first_not_of(" \t") == std::string::npos || line[line.find_first_not_of(" \t")] == '#')
      continue;
    std::istringstream words(line);
    Field f;
    int type = 0, length = 0;
    if (!(words >> f.name >> type >> length) || type < 0 || type > kal::db::kLastFieldType || length < 0 ||
        length > 32767) {
      std::cerr << "kalbd: linea " << number << ": se espera nombre, tipo (0 a 9) y longitud\n";
      return 1;
    }
    std::string choices;
    std::getline(words >> std::ws, choices);
    if (f.name.size() > 30) {
      std::cerr << "kalbd: linea " << number << ": un nombre tiene 30 caracteres como mucho\n";
      return 1;
    }
    f.id = ++id;
    f.type = static_cast<std::int16_t>(type);
    f.max_length = static_cast<std::int16_t>(length);
    f.choices = choices;
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

int list(const fs::path& root, const std::string& name, bool cp1252, bool numbers) {
  const std::string structure = slurp(database_file(root, name, ".z04"));
  const std::string data = slurp(database_file(root, name, ".zbd"));
  const std::vector<Field> fields = kal::db::decode_structure(structure);
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
      std::string value = it == values.end() ? std::string() : it->second;
      if (f.type == kal::db::kChoiceField && !numbers && !value.empty())
        value = kal::db::choice(f.choices, value);
      out(csv(value));
    }
    out("\r\n");
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args;
  bool cp1252 = false;
  bool numbers = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--cp1252")
      cp1252 = true;
    else if (arg == "--numeros")
      numbers = true;
    else
      args.push_back(arg);
  }
  if (args.size() == 4 && args[0] == "crear" && !numbers)
    return create(args[1], kal::cp1252::from_utf8(args[2]), args[3], cp1252);
  if (args.size() == 3 && args[0] == "listar")
    return list(args[1], kal::cp1252::from_utf8(args[2]), cp1252, numbers);
  return usage();
}
