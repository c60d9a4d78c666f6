// Limits of the language. They bound what a script may hold; tables are sized by the script, not by these.
#pragma once

#include <cstddef>

namespace kal::limits {

inline constexpr std::size_t kMaxTokens = 100000;
inline constexpr std::size_t kMaxTokenLength = 255;
inline constexpr std::size_t kMaxRecordLength = 1023;
inline constexpr std::size_t kMaxStatements = 32767;  // the statement counters are signed 16-bit
inline constexpr std::size_t kMaxScriptPath = 273;
inline constexpr std::size_t kMaxProgramFolder = 259;
inline constexpr std::size_t kMaxValueLength = 63999;

}  // namespace kal::limits
