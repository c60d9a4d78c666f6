// The Language Server Protocol's edge: its error codes and the numbers of the kinds it names, the error a
// request fails with, a request's result, and the places of a document as the protocol writes them (long
// replies are written as JSON text directly: as values, their locations would cost about a kilobyte each).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include <nlohmann/json.hpp>

#include "lsp/document.h"

namespace kal::lsp {

using json = nlohmann::json;

// JSON-RPC's and the protocol's error codes.
inline constexpr int kParseError = -32700;
inline constexpr int kInvalidRequest = -32600;
inline constexpr int kMethodNotFound = -32601;
inline constexpr int kInvalidParams = -32602;
inline constexpr int kServerNotInitialized = -32002;
inline constexpr int kRequestFailed = -32803;

// The protocol's numbers for the kinds it names.
inline constexpr int kSeverityError = 1;
inline constexpr int kSeverityWarning = 2;
inline constexpr int kCompletionFunction = 3;
inline constexpr int kCompletionField = 5;
inline constexpr int kCompletionVariable = 6;
inline constexpr int kCompletionKeyword = 14;
inline constexpr int kCompletionReference = 18;
inline constexpr int kCompletionConstant = 21;
inline constexpr int kSymbolFunction = 12;
inline constexpr int kSymbolStruct = 23;
inline constexpr int kSnippet = 2;

// A request that cannot be answered: its error response says why.
struct RpcError {
  int code;
  std::string message;
};

// A request's result: a JSON value, or the whole reply already written as JSON text (from the reply's start,
// which the request gives, on).
struct Result {
  Result(json v) : value(std::move(v)) {}     // NOLINT: any JSON value is a result
  Result(std::nullptr_t) : value(nullptr) {}  // NOLINT: so is null
  static Result written(std::string reply) {
    Result r(nullptr);
    r.reply = std::move(reply);
    return r;
  }
  json value;
  std::optional<std::string> reply;
};

std::string utf8(std::string_view cp1252_text);
// A text as a JSON string, quotes included.
std::string quoted(const std::string& text);

json range(const Document& d, std::size_t offset, std::size_t length);
void append_range(std::string& out, const Document& d, std::size_t offset, std::size_t length);
// The offset of a request's "position"; of a position itself.
std::size_t offset_at(const Document& d, const json& params);
std::size_t offset_of(const Document& d, const json& position);
// The offsets a range's start and end stand at.
std::pair<std::size_t, std::size_t> offsets_of(const Document& d, const json& range);
// The folder of a file: URI, in UTF-8 and ending with "/", or empty.
std::string folder_of(const std::string& uri);

}  // namespace kal::lsp
