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
// A script KAL can run holds at most kMaxTokens words, a few hundred kilobytes; far past that a text is no
// script, and the tools (the language server, the debugger) refuse it before reading it whole.
inline constexpr std::size_t kMaxToolScriptBytes = 4 * 1024 * 1024;

}  // namespace kal::limits
