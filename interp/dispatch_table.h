// Shape -> family -> keyword -> handler, as data. The first family holding an equal shape wins, then the
// first equal keyword of that family.
#pragma once

#include <span>
#include <string_view>

namespace kal {

class Interpreter;
using Handler = void (*)(Interpreter&, std::string_view record);

enum class KeywordAt {
  None,         // the shape alone selects the handler
  Field2Lower,  // command words: field 2 of the lower-cased record
  Field3,       // function words: field 3, exact
};

struct Keyword {
  std::string_view word;
  Handler handler;
};

struct Family {
  std::span<const std::string_view> shapes;
  KeywordAt keyword_at;
  std::span<const Keyword> keywords;  // when keyword_at != None
  Handler handler;                    // when keyword_at == None
};

// The family whose shape list holds this shape, or nullptr.
const Family* find_family(std::string_view shape);
std::span<const Family> dispatch_families();

}  // namespace kal
