// A database as a person describes it to kalbd, one field a line ("nombre 3 20", "color 9 10 rojo|verde"),
// and what kalbd tells of one: how each field reads, which stored records a new structure reads otherwise,
// and the records as CSV. Texts are Windows-1252; the refusals are Spanish, as all of KAL's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "database/records.h"

namespace kal::db {

struct Description {
  std::vector<Field> fields;  // numbered from 1, in the order described
  std::size_t line = 0;       // the line refused, from 1; 0 when the description was read
  std::string why;            // why it was refused
};
// Each line: name, type (0 to 9), maximum length and, for type 9, the choices separated by "|", with blanks
// between them; empty lines and those starting with "#" are skipped. The text is UTF-8 (a leading byte order
// mark skipped) unless `cp1252` says it is Windows-1252: a line that is not UTF-8, or holds a character
// Windows-1252 lacks, is refused rather than guessed at.
Description read_description(std::string_view text, bool cp1252);

// What a field holds and how KAL reads it back, for the person who made it.
std::string described(const Field& f);

// The stored records of a data file, by number, with the names of the fields each holds a value in.
std::map<std::int64_t, std::set<std::string>> stored_fields(std::string_view data);
// How many stored records hold a field that `after` reads otherwise than `before` (or no longer, or newly):
// a field is read by the last structure record of its name, by its type and, for a choice, its choices.
std::size_t records_read_otherwise(std::string_view data, const std::vector<Field>& before,
                                   const std::vector<Field>& after);

// The records as CSV with CR LF: a column a field and, beside each number field, the number KAL reads ("8.20"
// stored reads as 820); choice fields by their choice unless `numbers` asks for the stored number.
std::string records_csv(const std::vector<Field>& fields, std::string_view data, bool numbers);

}  // namespace kal::db
