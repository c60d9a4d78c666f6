// Statements of one operator: arithmetic on numbers and joining of texts. Every rule works on the operands'
// texts, classified on use, and gives the text to store.
#pragma once

#include <string>
#include <string_view>

namespace kal {

enum class Operator { Add, Subtract, Multiply, Divide, Modulo };

// The operator of a record field: "+", "-", "*", "DIV" or "MOD".
Operator operator_of(std::string_view field);

// The number an operation gives (DIV is the full quotient; MOD the remainder truncated toward zero, with the
// sign of a, and 0 when b is 0).
long double apply(Operator op, long double a, long double b);

// A variable A with an operand B: a number literal (the literal family) or another variable. Combinations no
// rule covers give A unchanged.
std::string combine(Operator op, std::string_view a, std::string_view b, bool b_is_literal);

// A variable or constant A joined with a text literal after it.
std::string join_literal_after(std::string_view a, std::string_view literal);

// A text literal joined with a variable or constant B after it.
std::string join_literal_before(std::string_view literal, std::string_view b);

}  // namespace kal
