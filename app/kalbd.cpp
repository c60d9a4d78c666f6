// kalbd: creates a KAL database from a short description, and prints a database's records as CSV. KAL itself
// only reads structure files, so a database starts here.
//
//   kalbd crear  RAIZ NOMBRE DESCRIPCION [--cp1252] [--reemplazar]
//                                                      the folder RAIZ/NOMBRE with NOMBRE.z04 (and an empty
//                                                      NOMBRE.zbd); the description in UTF-8, or
//                                                      Windows-1252. A database that holds records keeps its
//                                                      structure unless --reemplazar is given
//   kalbd --version                                    KAL's version
//   kalbd listar RAIZ NOMBRE [--cp1252] [--numeros]    the records as CSV, in UTF-8 unless asked for
//                                                      Windows-1252; choice fields by their choice, as KAL
//                                                      reads them, or by the stored number
//
// A description has one field a line: name, type (0 to 9), maximum length and, for type 9, the choices
// separated by "|"; blanks between them. Lines that are empty or start with "#" are skipped. A description
// that is not valid UTF-8 (one saved as ANSI) is refused unless --cp1252 says so: guessing would store "?"
// for every accent. A name KAL cannot select ([NOMBRE]) is refused with exit code 2; every other refusal or
// failure says why and exits with 1, leaving the root as it was.
//
// Files are named as the system names them (UTF-8 on Linux, UTF-16 on Windows, where the command line is read
// as typed), so that KAL and the editors find "año" by the name kalbd gave it. A new structure is written
// beside the old and put in its place in one step: a program storing meanwhile reads the old or the new,
// never half of one. kalbd never writes or reads through a link inside the root, which could lead out of it.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/cp1252.h"
#include "compiler/token_class.h"
#include "database/description.h"
#include "database/records.h"
#include "platform/host_files.h"

namespace fs = std::filesystem;
using kal::db::Field;

namespace {

// kalbd's own words are written here in Windows-1252, as all of KAL's texts, and said in UTF-8.
std::string u8(std::string_view text) {
  return kal::cp1252::to_utf8(text);
}

int usage() {
  std::cerr << "uso: kalbd crear RAIZ NOMBRE DESCRIPCION [--cp1252] [--reemplazar]\n"
               "     kalbd listar RAIZ NOMBRE [--cp1252] [--numeros]\n"
               "     kalbd --version\n";
  return 2;
}

// What a script can select: the name inside a database selector ("_" stands for a blank there). Names of dots
// alone would lead out of the root.
bool selectable(const std::string& name) {
  return kal::is_database_selector("[" + kal::as_written(name) + "]") &&
         name.find_first_not_of('.') != std::string::npos;
}

// A path from UTF-8, and back: the system's own names on either system.
fs::path path_of(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}
std::string shown(const fs::path& p) {
  const std::u8string text = p.u8string();
  return std::string(text.begin(), text.end());
}

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

fs::path database_folder(const fs::path& root, const std::string& name) {
  return root / path_of(u8(name));
}
fs::path database_file(const fs::path& root, const std::string& name, const char* extension) {
  return database_folder(root, name) / path_of(u8(name) + extension);
}

// The structure written beside the old one before it takes its place.
constexpr const char* kNewStructure = ".z04.nuevo";

// Why the database's folder or files cannot be used: a link (which could lead out of the root) or something
// that is no folder or no regular file where one goes; nothing when all is as it should be.
std::optional<std::string> in_the_way(const fs::path& root, const std::string& name) {
  std::vector<std::pair<fs::path, bool>> places = {{database_folder(root, name), true}};
  for (const char* extension : {".z04", ".zbd", kNewStructure})
    places.emplace_back(database_file(root, name, extension), false);
  for (const auto& [place, is_folder] : places) {
    std::error_code error;
    if (kal::host::is_link(place))
      return shown(place) + u8(" es un enlace: kalbd no escribe ni lee a trav\xE9s de enlaces, que pueden "
                               "llevar fuera de la ra\xEDz");
    const fs::file_status status = fs::status(place, error);
    if (!fs::exists(status)) continue;
    if (is_folder && !fs::is_directory(status)) return shown(place) + " no es una carpeta";
    if (!is_folder && !fs::is_regular_file(status)) return shown(place) + " no es un fichero normal";
  }
  return std::nullopt;
}

int create(const fs::path& root, const std::string& name, const fs::path& description, bool cp1252,
           bool replace) {
  if (!selectable(name)) {
    std::cerr << "kalbd: KAL no puede elegir una base de datos llamada \"" << kal::cp1252::to_utf8(name)
              << "\": use letras, cifras, _ y puntos, sin / ni \\ ni ..\n";
    return 2;
  }
  std::ifstream in(description, std::ios::binary);
  if (!in) {
    std::cerr << "kalbd: no puedo leer " << shown(description) << "\n";
    return 1;
  }
  std::ostringstream text;
  text << in.rdbuf();
  const kal::db::Description read = kal::db::read_description(text.str(), cp1252);
  if (read.line != 0) {
    std::cerr << u8("kalbd: l\xEDnea ") << read.line << ": " << u8(read.why) << "\n";
    return 1;
  }
  const std::vector<Field>& fields = read.fields;

  std::error_code error;
  if (fs::exists(root, error) && !fs::is_directory(root, error)) {
    std::cerr << u8("kalbd: la ra\xEDz ") << shown(root) << " no es una carpeta\n";
    return 1;
  }
  if (const std::optional<std::string> why = in_the_way(root, name)) {
    std::cerr << "kalbd: " << *why << "\n";
    return 1;
  }
  const fs::path data = database_file(root, name, ".zbd");
  const std::string stored = slurp(data);
  if (const std::size_t held = kal::db::stored_fields(stored).size(); held != 0) {
    if (!replace) {
      std::cerr << "kalbd: la base de datos " << kal::cp1252::to_utf8(name) << " ya guarda " << held
                << " registros; su estructura no se cambia sin --reemplazar\n";
      return 1;
    }
    const std::size_t unread = kal::db::records_read_otherwise(
        stored, kal::db::decode_structure(slurp(database_file(root, name, ".z04"))), fields);
    std::cout << "kalbd: estructura nueva; " << unread << " de los " << held
              << " registros guardados ya no se leen como antes\n";
  }

  std::string structure;
  for (const Field& f : fields) structure += kal::db::encode_field(f);
  const fs::path folder = database_folder(root, name);
  fs::create_directories(folder, error);
  if (error) {
    std::cerr << "kalbd: no puedo crear la carpeta " << shown(folder) << ": " << error.message() << "\n";
    return 1;
  }
  const fs::path structure_file = database_file(root, name, ".z04");
  const fs::path written = database_file(root, name, kNewStructure);
  {
    std::ofstream out(written, std::ios::binary | std::ios::trunc);
    if (!(out << structure) || !out.flush()) {
      out.close();
      fs::remove(written, error);
      std::cerr << "kalbd: no puedo escribir " << shown(written) << "\n";
      return 1;
    }
  }
  if (!kal::host::replace_file(written, structure_file)) {
    fs::remove(written, error);
    std::cerr << "kalbd: no puedo poner la estructura nueva en " << shown(structure_file)
              << ": la antigua se queda como estaba\n";
    return 1;
  }
  if (!fs::exists(data, error) && !std::ofstream(data, std::ios::binary)) {
    std::cerr << "kalbd: no puedo escribir " << shown(data) << "\n";
    return 1;
  }
  // What was made, so that a person sees at once how each field will read.
  const std::size_t held = kal::db::stored_fields(stored).size();
  std::cout << "kalbd: base de datos " << u8(name) << " en " << shown(folder) << ": " << u8(name)
            << ".z04 con " << fields.size() << (fields.size() == 1 ? " campo, " : " campos, ") << u8(name)
            << ".zbd " << (held == 0 ? "sin registros" : "con " + std::to_string(held) + " registros")
            << "\n";
  for (const Field& f : fields) std::cout << "  " << u8(f.name) << ": " << u8(kal::db::described(f)) << "\n";
  return 0;
}

int list(const fs::path& root, const std::string& name, bool cp1252, bool numbers) {
  if (const std::optional<std::string> why = in_the_way(root, name)) {
    std::cerr << "kalbd: " << *why << "\n";
    return 1;
  }
  const std::string structure = slurp(database_file(root, name, ".z04"));
  const std::string data = slurp(database_file(root, name, ".zbd"));
  const std::vector<Field> fields = kal::db::decode_structure(structure);
  if (fields.empty()) {
    std::cerr << "kalbd: la base de datos " << u8(name) << " no tiene estructura en " << shown(root) << "\n";
    return 1;
  }
  // The CSV writes its own CR LF.
  kal::host::binary_standard_output();
  const std::string table = kal::db::records_csv(fields, data, numbers);
  std::cout << (cp1252 ? table : kal::cp1252::to_utf8(table));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // The console shows what kalbd says as the UTF-8 it is.
  kal::host::utf8_console();
  if (argc == 2 && std::string(argv[1]) == "--version") {
    std::cout << "kalbd " KAL_VERSION "\n";
    return 0;
  }
  const std::vector<std::string> typed = kal::host::command_line(argc, argv);
  std::vector<std::string> args;
  bool cp1252 = false;
  bool numbers = false;
  bool replace = false;
  for (std::size_t i = 1; i < typed.size(); ++i) {
    const std::string& arg = typed[i];
    if (arg == "--cp1252")
      cp1252 = true;
    else if (arg == "--numeros")
      numbers = true;
    else if (arg == "--reemplazar")
      replace = true;
    else
      args.push_back(arg);
  }
  // Whatever the file system refuses is said, never an abort.
  try {
    if (args.size() == 4 && args[0] == "crear" && !numbers)
      return create(path_of(args[1]), kal::cp1252::from_utf8(args[2]), path_of(args[3]), cp1252, replace);
    if (args.size() == 3 && args[0] == "listar" && !replace) {
      const std::string name = kal::cp1252::from_utf8(args[2]);
      if (!selectable(name)) {
        std::cerr << "kalbd: KAL no puede elegir una base de datos llamada \"" << args[2] << "\"\n";
        return 2;
      }
      return list(path_of(args[1]), name, cp1252, numbers);
    }
  } catch (const std::exception& e) {
    std::cerr << "kalbd: " << e.what() << "\n";
    return 1;
  }
  return usage();
}
