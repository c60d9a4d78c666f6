// Reading a request of the Debug Adapter Protocol: each argument by the JSON type it must have, refused in
// the session's own words (Spanish, as KAL's own messages, in Windows-1252 until the protocol's edge), never
// the JSON library's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kal::debug {

// A request the session cannot grant: its response says why.
struct Refusal : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A request's argument; nullptr when it is missing or null.
const nlohmann::json* argument(const nlohmann::json& args, const char* key);
// Of the type each must have; a missing one is `otherwise` (false, 0).
std::string text_argument(const nlohmann::json& args, const char* key, std::string otherwise = {});
bool flag_argument(const nlohmann::json& args, const char* key);
std::int64_t number_argument(const nlohmann::json& args, const char* key);
// "3" or ">= 3": the breakpoint stops from that hit on; blanks alone: every hit (0); nothing for anything
// else ("-1", "3abc").
std::optional<std::size_t> hits_from(std::string_view text);

}  // namespace kal::debug
