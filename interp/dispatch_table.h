// Shape -> family -> keyword -> handler, as data. The first family holding an equal shape wins, then the
// first equal keyword of that family. The rows are defined above the handlers they name, in
// builtins/dispatch_table.cpp; the interpreter and the checker read them through this header.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace kal {

class Interpreter;
struct Statement;
using Handler = void (*)(Interpreter&, const Statement&);
// A built-in function: the operands' values (fields 4 on, already through the working buffer) to the result.
using Builtin = std::string (*)(Interpreter&, std::span<const std::string_view> operands);

enum class KeywordAt {
  None,         // the shape alone selects the handler
  Field2Lower,  // command words: field 2 of the lower-cased record
  Field3,       // function words: field 3, exact
};

// A keyword or shape-only family without a handler is part of the language but not of this build: a record
// that reaches it is an unknown instruction.
struct Keyword {
  std::string_view word;
  Handler handler;
  Builtin builtin = nullptr;  // for the function families: what the handler calls
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
