#include "lsp/words.h"

#include <nlohmann/json.hpp>

namespace kal::lsp {

extern const unsigned char kWordsJson[];
extern const std::size_t kWordsJsonSize;

namespace {

// The table, read once for the words and the operators. Ordered, so that the words keep the guides' order.
const nlohmann::ordered_json& table() {
  static const auto json = nlohmann::ordered_json::parse(kWordsJson, kWordsJson + kWordsJsonSize);
  return json;
}

}  // namespace

const std::vector<WordHelp>& word_help() {
  static const std::vector<WordHelp> table = [] {
    std::vector<WordHelp> words;
    for (const auto& [word, entry] : kal::lsp::table().at("words").items()) {
      WordHelp help;
      help.word = word;
      for (std::size_t i = 0; i < 2; ++i) {
        const char* language = i == 0 ? "es" : "en";
        help.operands[i] = entry.at("operands").at(language).get<std::string>();
        help.what[i] = entry.at("what").at(language).get<std::string>();
        help.example[i] = entry.at("example").at(language).get<std::string>();
      }
      words.push_back(std::move(help));
    }
    return words;
  }();
  return table;
}

const OperatorHelp* find_operator(std::string_view word) {
  static const std::vector<OperatorHelp> table = [] {
    std::vector<OperatorHelp> operators;
    for (const auto& [op, what] : kal::lsp::table().at("operators").items())
      operators.push_back({op, {what.at("es").get<std::string>(), what.at("en").get<std::string>()}});
    return operators;
  }();
  for (const OperatorHelp& help : table)
    if (help.word == word) return &help;
  return nullptr;
}

const WordHelp* find_word(std::string_view word) {
  for (const WordHelp& help : word_help())
    if (help.word == word) return &help;
  return nullptr;
}

std::vector<std::string> operand_names(const WordHelp& help, Language language) {
  std::vector<std::string> names;
  const std::string& text = help.operands[static_cast<std::size_t>(language)];
  if (text == "\xE2\x80\x94") return names;  // an em dash: none
  std::size_t start = 0;
  for (std::size_t comma = text.find(", ");; comma = text.find(", ", start)) {
    names.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 2;
  }
  return names;
}

}  // namespace kal::lsp
