#include "debug/arguments.h"

#include <charconv>

namespace kal::debug {

using json = nlohmann::json;

const json* argument(const json& args, const char* key) {
  const auto it = args.find(key);
  return it == args.end() || it->is_null() ? nullptr : &*it;
}
std::string text_argument(const json& args, const char* key, std::string otherwise) {
  const json* value = argument(args, key);
  if (value == nullptr) return otherwise;
  if (!value->is_string()) throw Refusal(std::string(key) + " es un texto");
  return value->get<std::string>();
}
bool flag_argument(const json& args, const char* key) {
  const json* value = argument(args, key);
  if (value == nullptr) return false;
  if (!value->is_boolean()) throw Refusal(std::string(key) + " es true o false");
  return value->get<bool>();
}
std::int64_t number_argument(const json& args, const char* key) {
  const json* value = argument(args, key);
  if (value == nullptr) return 0;
  if (!value->is_number_integer()) throw Refusal(std::string(key) + " es un n\xFAmero entero");
  return value->get<std::int64_t>();
}

std::optional<std::size_t> hits_from(std::string_view text) {
  auto blanks = [&text] {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  };
  blanks();
  if (text.empty()) return 0;
  if (text.starts_with(">=")) {
    text.remove_prefix(2);
    blanks();
  }
  std::size_t hits = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), hits);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return hits;
}

}  // namespace kal::debug
