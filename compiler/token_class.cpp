#include "compiler/token_class.h"

#include <algorithm>
#include <array>

#include "common/cp1252.h"

namespace kal {
namespace {

// A character list as a 256-entry membership table. `folded` tables answer for the lower-cased character, so
// a capital passes only when its small form is listed.
class CharSet {
 public:
  CharSet(std::string_view chars, bool folded) {
    std::array<bool, 256> listed{};
    for (char c : chars) listed[static_cast<unsigned char>(c)] = true;
    for (int c = 0; c < 256; ++c)
      member_[c] = folded ? listed[cp1252::to_lower(static_cast<unsigned char>(c))] : listed[c];
  }
  void add(unsigned char c) { member_[c] = true; }
  bool all_of(std::string_view t) const {
    return std::all_of(t.begin(), t.end(), [this](char c) { return member_[static_cast<unsigned char>(c)]; });
  }

 private:
  std::array<bool, 256> member_{};
};

constexpr bool kFolded = true;
constexpr bool kExact = false;

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
const CharSet kDigits("1234567890", kExact);
const CharSet kDecimalSet("1234567890.", kExact);
const CharSet kMaskSet(
    "%@qwertyuiopasdfghjkl\xF1zxcvbnmQWERTYUIOPASDFGHJKL\xD1ZXCVBNM\xA5\xA3\x80$()#\\/1234567890_[]{}:,.",
    kExact);
const CharSet kSelectorSet("1234567890@\xF1\xD1\xE1\xE9\xED\xF3\xFA\xFCqwertyuiopasdfghjklzxcvbnm_[].",
                           kFolded);
const CharSet kPlainNameSet(
    "\xF1\xE1\xE9\xED\xF3\xFA\xFCqwertyuiopasdfghjklzxcvbnm1234567890_QWERTYUIOPASDFGHJKLZXCVBNM\xD1",
    kFolded);

CharSet make_word_set() {
  CharSet set(
      "\xC7=<>\xBA\xAA?\xBF!\xA1#&%~-+*[]{}$\x80()@1234567890\xF1\xE1\xE9\xED\xF3\xFA\xFC"
      "QWERTYUIOPASDFGHJKLZXCVBNM\xD1qwertyuiopasdfghjklzxcvbnm_.:,;/ \\",
      kFolded);
  // £ ¥ ß and the line-break characters are listed beside the quoted set.
  for (unsigned char c : {0xA3, 0xA5, 0xDF, 0x0D, 0x0A}) set.add(c);
  return set;
}
const CharSet kWordSet = make_word_set();

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

bool is_integer_literal(std::string_view t) {
  return !t.empty() && kDigits.all_of(t);
}

// Three characters at least: "1." and ".5" are not numbers, so ".5" stays a command word.
bool is_decimal_literal(std::string_view t) {
  return t.size() >= 3 && count(t, '.') == 1 && kDecimalSet.all_of(t);
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

// Numbers are not words: a comment still stores them as values.
bool is_word(std::string_view t) {
  return !t.empty() && kWordSet.all_of(t) && !kDecimalSet.all_of(t);
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
