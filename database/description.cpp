#include "database/description.h"

#include <charconv>
#include <optional>
#include <sstream>
#include <utility>

#include "common/cp1252.h"
#include "common/messages.h"
#include "database/database.h"

namespace kal::db {
namespace {

// A whole number and nothing else ("5x" is no length).
std::optional<int> whole_number(const std::string& word) {
  int value = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (error != std::errc() || end != word.data() + word.size()) return std::nullopt;
  return value;
}

// Why one line (Windows-1252 by now) is no field, or nothing with the field in *f.
std::optional<std::string> read_field(const std::string& line, const std::vector<Field>& earlier, Field* f) {
  std::istringstream words(line);
  std::string type_word, length_word;
  words >> f->name >> type_word >> length_word;
  const std::optional<int> type = whole_number(type_word), length = whole_number(length_word);
  if (!type || !length || *type < 0 || *type > kLastFieldType || *length < 0 || *length > 32767)
    return "se espera nombre, tipo (0 a 9) y longitud (0 a 32767), separados por blancos";
  std::getline(words >> std::ws, f->choices);
  if (f->name.size() > kNameBytes - 1) return "un nombre tiene 30 caracteres como mucho";
  for (const Field& e : earlier)
    if (e.name == f->name) return "el campo " + f->name + " ya est\xE1 descrito";
  // The list keeps its closing NUL, or KAL would read past it.
  if (f->choices.size() > kChoiceBytes - 1)
    return "las opciones tienen " + std::to_string(f->choices.size()) + " caracteres, y caben " +
           std::to_string(kChoiceBytes - 1);
  // KAL shows a choice field's value as one of its choices: one without any would show nothing.
  if (*type == kChoiceField && f->choices.empty())
    return "un campo de tipo 9 lleva sus opciones detr\xE1s de la longitud, separadas por | "
           "(color 9 10 rojo|verde|azul)";
  f->id = static_cast<std::int32_t>(earlier.size() + 1);
  f->type = static_cast<std::int16_t>(*type);
  f->max_length = static_cast<std::int16_t>(*length);
  return std::nullopt;
}

// How a stored value of a field is read: by the last structure record of its name.
using Reading = std::map<std::string, std::pair<std::int16_t, std::string>>;
Reading reading(const std::vector<Field>& fields) {
  Reading by_name;
  for (const Field& f : fields) by_name[f.name] = {f.type, f.type == kChoiceField ? f.choices : ""};
  return by_name;
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

}  // namespace

Description read_description(std::string_view text, bool cp1252) {
  Description d;
  std::size_t number = 0;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    std::string line(text.substr(at, end - at));
    at = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (number == 1 && !cp1252 && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);  // Notepad's mark
    if (!cp1252) {
      const std::optional<std::string> read = cp1252::from_utf8_exact(line);
      if (!read) {
        d.line = number;
        d.why =
            "no es texto UTF-8, o lleva un car\xE1"
            "cter que Windows-1252 no tiene. Guarde la descripci\xF3n en UTF-8, o si est\xE1 guardada como "
            "ANSI (Windows-1252) a\xF1"
            "ada --cp1252";
        return d;
      }
      line = *read;
    }
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    Field f;
    if (std::optional<std::string> why = read_field(line, d.fields, &f)) {
      d.line = number;
      d.why = std::move(*why);
      return d;
    }
    d.fields.push_back(std::move(f));
  }
  return d;
}

// Built by appending: GCC 12 sees overlaps that are not there in "text" + std::string.
std::string described(const Field& f) {
  std::string length(" de hasta ");
  length.append(std::to_string(f.max_length)).append(" caracteres");
  std::string out;
  if (reads_as_number(f.type))
    return out.append("n\xFAmero")
        .append(length)
        .append(
            ": KAL quita cada . y lee ' como el punto decimal (guarde 8'20 para leer 8.20; 8.20 se lee 820)");
  switch (f.type) {
    case 3:
    case 5:
    case 8:
      return out.append("texto").append(length).append(", que KAL lee tal cual");
    case kTimeField:
      return out.append("la hora de cada %INSERTAR (hh:mm)");
    case kDateField:
      return out.append("la fecha de cada %INSERTAR (dd/mm/aaaa)");
    case kChoiceField:
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

std::map<std::int64_t, std::set<std::string>> stored_fields(std::string_view data) {
  std::map<std::int64_t, std::set<std::string>> records;
  for (std::size_t at = 0; at + kDataRecordSize <= data.size(); at += kDataRecordSize) {
    const DataRecord r = decode_data(data.substr(at, kDataRecordSize));
    records[r.record_number].insert(r.name);
  }
  return records;
}

std::size_t records_read_otherwise(std::string_view data, const std::vector<Field>& before,
                                   const std::vector<Field>& after) {
  const Reading was = reading(before), is = reading(after);
  std::size_t otherwise = 0;
  for (const auto& [number, names] : stored_fields(data)) {
    for (const std::string& field : names) {
      const auto w = was.find(field), i = is.find(field);
      if ((w == was.end()) != (i == is.end()) || (w != was.end() && w->second != i->second)) {
        ++otherwise;
        break;
      }
    }
  }
  return otherwise;
}

std::string records_csv(const std::vector<Field>& fields, std::string_view data, bool numbers) {
  // Record number -> field name -> value, the characters in the order the file holds them.
  std::map<std::int64_t, std::map<std::string, std::string>> records;
  for (std::size_t at = 0; at + kDataRecordSize <= data.size(); at += kDataRecordSize) {
    const DataRecord r = decode_data(data.substr(at, kDataRecordSize));
    records[r.record_number][r.name] += r.character;
  }
  std::string out = "registro";
  for (const Field& f : fields) {
    out.append(",").append(csv(f.name));
    if (reads_as_number(f.type)) out.append(",").append(csv(std::string(f.name).append(" (KAL lee)")));
  }
  out.append("\r\n");
  for (const auto& [number, values] : records) {
    out.append(std::to_string(number));
    for (const Field& f : fields) {
      const auto it = values.find(f.name);
      std::string value = it == values.end() ? std::string() : it->second;
      if (f.type == kChoiceField && !numbers && !value.empty()) value = choice(f.choices, value);
      out.append(",").append(csv(value));
      if (reads_as_number(f.type))
        out.append(",").append(csv(value.empty() ? std::string(msg::kNoData) : numeric_text(value)));
    }
    out.append("\r\n");
  }
  return out;
}

}  // namespace kal::db
