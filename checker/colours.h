// What each token of a script is, as the interpreter's own tokenizer and compiler read it, for editors to
// colour: "~hola«x" is a text and two refused tokens, and every word of a statement that a comment opener
// turns into a comment ("&a := 5 'nota;") is comment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kal::check {

struct Coloured {
  enum class Kind : std::uint8_t {
    Command,
    Function,
    Variable,
    Constant,
    Field,
    Text,
    Number,
    Mask,
    Label,
    Operator,  // the operators, ":=" and ";"
    Selector,
    Comment,
    Refused,  // a token that fits no class
  };
  std::uint32_t offset = 0;  // in the file
  std::uint32_t length = 0;  // up to its line's end
  Kind kind = Kind::Refused;
};

// Every token of the file in order, up to where the interpreter stops reading.
std::vector<Coloured> colours(std::string_view file_bytes);

}  // namespace kal::check
