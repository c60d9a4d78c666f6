// The formatter: every statement on a line of its own, its tokens one blank apart, its command word in small
// letters; labels at the line start. It only ever changes the blanks and line ends between tokens and the
// letter case of a command word the interpreter reads in any case, so what runs stays what ran: the tokens,
// and with them the compiled records, are those of the file as written. Comments, texts and every statement
// with an error stay as they are written; the file's own line ends are kept, and a new one is the file's
// first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "checker/script_checker.h"

namespace kal::check {

// The edits that lay out the statements touching the bytes [from, to] of the file (with the blanks before
// each), ordered and apart.
std::vector<Edit> format_edits(std::string_view file_bytes, std::size_t from = 0, std::size_t to = SIZE_MAX);
// The same from the file's analysis, made before.
std::vector<Edit> format_edits(std::string_view file_bytes, const Analysis& analysis, std::size_t from = 0,
                               std::size_t to = SIZE_MAX);
// The whole file laid out.
std::string format_script(std::string_view file_bytes);
// Ordered edits that do not overlap, applied.
std::string apply_edits(std::string_view bytes, const std::vector<Edit>& edits);

}  // namespace kal::check
