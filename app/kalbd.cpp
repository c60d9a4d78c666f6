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
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// after windows.h
#include <shellapi.h>
#endif

#include "common/cp1252.h"
#include "common/messages.h"
#include "compiler/token_class.h"
#include "database/database.h"
#include "database/records.h"

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

// A whole number and nothing else ("5x" is no length).
std::optional<int> whole_number(const std::string& word) {
  int value = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (error != std::errc() || end != word.data() + word.size()) return std::nullopt;
  return value;
}

// How a stored value of a field is read: by the last structure record of its name.
using Reading = std::map<std::string, std::pair<std::int16_t, std::string>>;
Reading reading(const std::vector<Field>& fields) {
  Reading by_name;
  for (const Field& f : fields) by_name[f.name] = {f.type, f.type == kal::db::kChoiceField ? f.choices : ""};
  return by_name;
}

// The stored records, by number, with the names of the fields each holds a value in.
std::map<std::int64_t, std::set<std::string>> stored_fields(const std::string& data) {
  std::map<std::int64_t, std::set<std::string>> records;
  for (std::size_t at = 0; at + kal::db::kDataRecordSize <= data.size(); at += kal::db::kDataRecordSize) {
    const auto r = kal::db::decode_data(std::string_view(data).substr(at, kal::db::kDataRecordSize));
    records[r.record_number].insert(r.name);
  }
  return records;
}

// What a field of a type holds and how KAL reads it back, for the person who made it. Built by appending:
// GCC 12 sees overlaps that are not there in "text" + std::string.
std::string described(const Field& f) {
  std::string length(" de hasta ");
  length.append(std::to_string(f.max_length)).append(" caracteres");
  std::string out;
  if (kal::db::reads_as_number(f.type))
    return out.append("n\xFAmero")
        .append(length)
        .append(
            ": KAL quita cada . y lee ' como el punto decimal (guarde 8'20 para leer 8.20; 8.20 se lee 820)");
  switch (f.type) {
    case 3:
    case 5:
    case 8:
      return out.append("texto").append(length).append(", que KAL lee tal cual");
    case kal::db::kTimeField:
      return out.append("la hora de cada %INSERTAR (hh:mm)");
    case kal::db::kDateField:
      return out.append("la fecha de cada %INSERTAR (dd/mm/aaaa)");
    case kal::db::kChoiceField:
      return out.append("una de las opciones ")
          .append(f.choices)
          .append(", guardada por su n\xFAmero m\xE1s 99 (100 es la primera)");
    default:
      return out.append("tipo ")
          .append(std::to_string(f.type))
          .append(length)
          .append(", que KAL lee tal cual");
  }
}

// A path from UTF-8, and back: the system's own names on either system.
fs::path path_of(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}
std::string shown(const fs::path& p) {
  const std::u8string text = p.u8string();
  return std::string(text.begin(), text.end());
}

#ifdef _WIN32
// Where a file or folder really is, as the system resolves every link on the way; nothing when it is not
// there.
std::optional<std::wstring> final_path(const fs::path& p) {
  const HANDLE handle = CreateFileW(p.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  std::wstring path(1024, L'\0');
  const DWORD length = GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), 0);
  CloseHandle(handle);
  if (length == 0 || length >= path.size()) return std::nullopt;
  path.resize(length);
  return path;
}
#endif

// A symbolic link, or on Windows any reparse point (a junction leads elsewhere just as well) or anything the
// system resolves to another place than its folder and name (Wine shows a link to a file as the file).
bool is_link(const fs::path& p) {
#ifdef _WIN32
  const DWORD bits = GetFileAttributesW(p.c_str());
  if (bits == INVALID_FILE_ATTRIBUTES) return false;
  if ((bits & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return true;
  const std::optional<std::wstring> self = final_path(p), folder = final_path(p.parent_path());
  if (!self || !folder) return false;
  const std::wstring expected = *folder + L"\\" + p.filename().wstring();
  return CompareStringOrdinal(self->c_str(), static_cast<int>(self->size()), expected.c_str(),
                              static_cast<int>(expected.size()), TRUE) != CSTR_EQUAL;
#else
  std::error_code error;
  return fs::is_symlink(fs::symlink_status(p, error));
#endif
}

// The file `to` replaced by `from` in one step. Windows refuses while a program has the old file open for a
// moment, so it is asked again for a while.
bool replace_file(const fs::path& from, const fs::path& to) {
#ifdef _WIN32
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return true;
    Sleep(100);
  }
  return false;
#else
  return std::rename(from.c_str(), to.c_str()) == 0;
#endif
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
    if (is_link(place))
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
  std::vector<Field> fields;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    auto refuse = [number](const std::string& why) {
      std::cerr << u8("kalbd: l\xEDnea ") << number << ": " << u8(why) << "\n";
      return 1;
    };
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (number == 1 && !cp1252 && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);  // Notepad's mark
    if (!cp1252) {
      const std::optional<std::string> text = kal::cp1252::from_utf8_exact(line);
      if (!text)
        return refuse(
            "no es texto UTF-8, o lleva un car\xE1"
            "cter que Windows-1252 no tiene. Guarde la descripci\xF3n en "
            "UTF-8, o si est\xE1 guardada como ANSI (Windows-1252) a\xF1"
            "ada --cp1252");
      line = *text;
    }
    if (line.find_first_not_of(" \t") == std::string::npos || line[line.find_first_not_of(" \t")] == '#')
      continue;
    std::istringstream words(line);
    Field f;
    std::string type_word, length_word;
    words >> f.name >> type_word >> length_word;
    const std::optional<int> type = whole_number(type_word), length = whole_number(length_word);
    if (!type || !length || *type < 0 || *type > kal::db::kLastFieldType || *length < 0 || *length > 32767)
      return refuse("se espera nombre, tipo (0 a 9) y longitud (0 a 32767), separados por blancos");
    std::string choices;
    std::getline(words >> std::ws, choices);
    if (f.name.size() > kal::db::kNameBytes - 1) return refuse("un nombre tiene 30 caracteres como mucho");
    for (const Field& earlier : fields)
      if (earlier.name == f.name) return refuse("el campo " + f.name + " ya est\xE1 descrito");
    // The list keeps its closing NUL, or KAL would read past it.
    if (choices.size() > kal::db::kChoiceBytes - 1)
      return refuse("las opciones tienen " + std::to_string(choices.size()) + " caracteres, y caben " +
                    std::to_string(kal::db::kChoiceBytes - 1));
    // KAL shows a choice field's value as one of its choices: one without any would show nothing.
    if (*type == kal::db::kChoiceField && choices.empty())
      return refuse(
          "un campo de tipo 9 lleva sus opciones detr\xE1s de la longitud, separadas por | "
          "(color 9 10 rojo|verde|azul)");
    f.id = static_cast<std::int32_t>(fields.size() + 1);
    f.type = static_cast<std::int16_t>(*type);
    f.max_length = static_cast<std::int16_t>(*length);
    f.choices = choices;
    fields.push_back(std::move(f));
  }

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
  if (const auto records = stored_fields(stored); !records.empty()) {
    if (!replace) {
      std::cerr << "kalbd: la base de datos " << kal::cp1252::to_utf8(name) << " ya guarda " << records.size()
                << " registros; su estructura no se cambia sin --reemplazar\n";
      return 1;
    }
    const Reading before = reading(kal::db::decode_structure(slurp(database_file(root, name, ".z04"))));
    const Reading after = reading(fields);
    std::size_t unread = 0;
    for (const auto& [number, names] : records) {
      for (const std::string& field : names) {
        const auto was = before.find(field), is = after.find(field);
        if ((was == before.end()) != (is == after.end()) ||
            (was != before.end() && was->second != is->second)) {
          ++unread;
          break;
        }
      }
    }
    std::cout << "kalbd: estructura nueva; " << unread << " de los " << records.size()
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
  if (!replace_file(written, structure_file)) {
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
  const std::size_t held = stored_fields(stored).size();
  std::cout << "kalbd: base de datos " << u8(name) << " en " << shown(folder) << ": " << u8(name)
            << ".z04 con " << fields.size() << (fields.size() == 1 ? " campo, " : " campos, ") << u8(name)
            << ".zbd " << (held == 0 ? "sin registros" : "con " + std::to_string(held) + " registros")
            << "\n";
  for (const Field& f : fields) std::cout << "  " << u8(f.name) << ": " << u8(described(f)) << "\n";
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
  // Record number -> field name -> value, the characters in the order the file holds them.
  std::map<std::int64_t, std::map<std::string, std::string>> records;
  for (std::size_t at = 0; at + kal::db::kDataRecordSize <= data.size(); at += kal::db::kDataRecordSize) {
    const auto r = kal::db::decode_data(std::string_view(data).substr(at, kal::db::kDataRecordSize));
    records[r.record_number][r.name] += r.character;
  }
#ifdef _WIN32
  // The CSV writes its own CR LF: a text-mode standard output would make each one CR CR LF.
  std::cout.flush();
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  auto out = [&](const std::string& text) { std::cout << (cp1252 ? text : kal::cp1252::to_utf8(text)); };
  // A number field is shown as stored and, beside it, as KAL reads it: 8.20 stored reads as 820.
  out("registro");
  for (const Field& f : fields) {
    out(",");
    out(csv(f.name));
    if (kal::db::reads_as_number(f.type)) {
      out(",");
      out(csv(std::string(f.name).append(" (KAL lee)")));
    }
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
      if (kal::db::reads_as_number(f.type)) {
        out(",");
        out(csv(value.empty() ? std::string(kal::msg::kNoData) : kal::db::numeric_text(value)));
      }
    }
    out("\r\n");
  }
  return 0;
}

// The command line in UTF-8. Windows gives main() its words in the ANSI code page, where a name the person
// typed may have no place: they are read as typed, in UTF-16.
std::vector<std::string> command_line(int argc, char** argv) {
  std::vector<std::string> words(argv, argv + argc);
#ifdef _WIN32
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return words;
  words.clear();
  for (int i = 0; i < count; ++i) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string word(bytes > 0 ? static_cast<std::size_t>(bytes) : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, word.data(), bytes, nullptr, nullptr);
    word.resize(word.size() - 1);  // its closing NUL
    words.push_back(std::move(word));
  }
  LocalFree(wide);
#endif
  return words;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // The console shows what kalbd says as the UTF-8 it is.
  SetConsoleOutputCP(CP_UTF8);
#endif
  if (argc == 2 && std::string(argv[1]) == "--version") {
    std::cout << "kalbd " KAL_VERSION "\n";
    return 0;
  }
  const std::vector<std::string> typed = command_line(argc, argv);
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
