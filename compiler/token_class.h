// Class tests of tokens and the field conversion of sigil tokens. Every test is a pure function of the text.
// The integer, decimal and word tests are the run-time value classes' (values/value.h).
#pragma once

#include <string>
#include <string_view>

#include "values/value.h"

namespace kal {

bool is_ordinary_variable(std::string_view t);  // &name
bool is_constant(std::string_view t);           // @name, written once
bool is_database_field(std::string_view t);     // #name
bool is_text_literal(std::string_view t);       // ~text
bool is_function_word(std::string_view t);      // %WORD
bool is_command_word(std::string_view t);       // .word
bool is_label(std::string_view t);              // :name
bool is_comment_opener(std::string_view t);     // 'text
bool is_operator(std::string_view t);           // + - * MOD DIV
bool is_mask_literal(std::string_view t);
bool is_database_selector(std::string_view t);  // [name]
bool is_plain_name(std::string_view t);         // names a label may be registered under

// The text a sigil token stores as a record field: "_" reads as a space, "^" as a line break, and the sigil
// at the first position is dropped.
std::string convert_field(std::string_view t);
// The same, appended to `out`.
void append_converted_field(std::string& out, std::string_view t);
// The conversion undone, for showing a stored text as a script writes it: each blank back to "_", each line
// break to "^" (the sigil is not put back).
std::string as_written(std::string_view field);

}  // namespace kal
