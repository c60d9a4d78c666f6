#include "compiler/token_class.h"

#include <algorithm>

#include "common/char_set.h"

namespace kal {
namespace {

const CharSet kVariableSet("&\xF1\xE1\xE9\xED\xF3\xFA\xFCqwertyuiopasdfghjklzxcvbnm1234567890_.", kFolded);
const CharSet kConstantSet("@\xF1\xE1\xE9\xED\xF3\xFA\xFCqwertyuiopasdfghjklzxcvbnm1234567890_.", kFolded);
const CharSet kFieldSet(
    "@#\xD1\xE1\xE9\xED\xF3\xFA\xFCqwertyuiopasdfghjklzxcvbnm\xF1"
    "1234567890_.-",
    kFolded);
const CharSet kTextSet(
    "^<>@~\xF1\xD1\xE1\xE9\xED\xF3\xFA\xFCQWERTYUIOPASDFGHJKLZXCVBNMqwertyuiopasdfghjklzxcvbnm1234567890_$"
    "\x80,;.:"
    "\xA1!\xBF?/\\()[]{}",
    kFolded);
const CharSet kFunctionSet(
    "%\xF1\xE1\xE9\xED\xF3\xFA\xFCQWERTYUIOPASDFGHJKLZXCVBNM\xD1qwertyuiopasdfghjklzxcvbnm1234567890_.",
    kFolded);
const CharSet kCommandSet(".\xF1\xE1\xE9\xED\xF3\xFA\xFCqwertyuiopasdfghjklzxcvbnm1234567890_", kFolded);
const CharSet kLabelSet(":\xF1\xE1\xE9\xED\xF3\xFA\xFCqwertyuiopasdfghjklzxcvbnm1234567890_", kFolded);
const CharSet kCommentSet(
    "'QWERTYUIOPASDFGHJKL\xD1ZXCVBNM@\xF1\xE1\xE9\xED\xF3\xFA\xFCqwertyuiopasdfghjklzxcvbnm1234567890_.:",
    kFolded);
const CharSet kMaskSet(
    "%@qwertyuiopasdfghjkl\xF1zxcvbnmQWERTYUIOPASDFGHJKL\xD1ZXCVBNM\xA5\xA3\x80$()#\\/1234567890_[]{}:,.",
    kExact);
const CharSet kSelectorSet("1234567890@\xF1\xD1\xE1\xE9\xED\xF3\xFA\xFCqwertyuiopasdfghjklzxcvbnm_[].",
                           kFolded);
const CharSet kPlainNameSet(
    "\xF1\xE1\xE9\xED\xF3\xFA\xFCqwertyuiopasdfghjklzxcvbnm1234567890_QWERTYUIOPASDFGHJKLZXCVBNM\xD1",
    kFolded);

std::size_t count(std::string_view t, char c) {
  return static_cast<std::size_t>(std::count(t.begin(), t.end(), c));
}

// The shared test of the sigil classes: the sigil first and nowhere else, a name after it, listed characters
// only.
bool sigil_token(std::string_view t, char sigil, const CharSet& set) {
  return t.size() >= 2 && t.front() == sigil && count(t, sigil) == 1 && set.all_of(t);
}

}  // namespace

bool is_ordinary_variable(std::string_view t) {
  return sigil_token(t, '&', kVariableSet);
}
bool is_constant(std::string_view t) {
  return sigil_token(t, '@', kConstantSet);
}
bool is_database_field(std::string_view t) {
  return sigil_token(t, '#', kFieldSet);
}
bool is_text_literal(std::string_view t) {
  return sigil_token(t, '~', kTextSet);
}
bool is_function_word(std::string_view t) {
  return sigil_token(t, '%', kFunctionSet);
}
bool is_command_word(std::string_view t) {
  return sigil_token(t, '.', kCommandSet);
}
bool is_label(std::string_view t) {
  return sigil_token(t, ':', kLabelSet);
}

// "'" alone opens a comment too, so there is no length rule here.
bool is_comment_opener(std::string_view t) {
  return !t.empty() && t.front() == '\'' && count(t, '\'') == 1 && kCommentSet.all_of(t);
}

bool is_operator(std::string_view t) {
  return t == "+" || t == "-" || t == "*" || t == "MOD" || t == "DIV";
}

bool is_mask_literal(std::string_view t) {
  return count(t, '#') >= 2 && kMaskSet.all_of(t);
}

bool is_database_selector(std::string_view t) {
  return t.size() >= 2 && t.front() == '[' && t.back() == ']' && count(t, '[') == 1 && count(t, ']') == 1 &&
         kSelectorSet.all_of(t);
}

bool is_plain_name(std::string_view t) {
  return kPlainNameSet.all_of(t);
}

std::string convert_field(std::string_view t) {
  std::string out;
  out.reserve(t.size() + 4);
  append_converted_field(out, t);
  return out;
}

std::string as_written(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field.substr(i, 2) == "\r\n") {
      out += '^';
      ++i;
    } else {
      out += field[i] == ' ' ? '_' : field[i];
    }
  }
  return out;
}

void append_converted_field(std::string& out, std::string_view t) {
  for (std::size_t i = 0; i < t.size(); ++i) {
    const char c = t[i];
    if (c == '_') {
      out.push_back(' ');
    } else if (c == '^') {
      out += "\r\n";
    } else if (i == 0 && std::string_view("~#@&%.:").find(c) != std::string_view::npos) {
      continue;
    } else {
      out.push_back(c);
    }
  }
}

}  // namespace kal
