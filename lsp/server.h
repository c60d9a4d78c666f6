// The KAL language server: Language Server Protocol 3.17 over a byte stream, started as `kalcheck --lsp`.
// Problems come from the script checker (the same messages and hints as kalcheck), help on words from the
// words table, and navigation from the words the checker names.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "lsp/document.h"
#include "lsp/message_reader.h"
#include "lsp/structures.h"
#include "lsp/words.h"

namespace kal::lsp {

class Server {
 public:
  // The messages to send for one received message body (responses and notifications, as JSON texts). The body
  // is let go once read: a document of megabytes is then held once less while it is checked.
  std::vector<std::string> handle(std::string body);
  // The reply to a message whose header could not be read.
  std::vector<std::string> bad_header() const;
  // After "exit": the session is over, with this exit code (0 when "shutdown" came first).
  bool finished() const { return finished_; }
  int exit_code() const { return shut_down_ ? 0 : 1; }

 private:
  using json = nlohmann::json;
  // A request's result: a JSON value, or for the long lists the whole reply already written as JSON text,
  // from reply_start_ on (as values, their locations would cost about a kilobyte each, and a copy of a reply
  // of tens of megabytes as much again).
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
  // The params are the message's own, so that a document's text can be taken from them, not copied.
  Result dispatch(const std::string& method, json& params, std::vector<std::string>& out);
  json initialize(const json& params);
  void publish(const std::string& uri, std::vector<std::string>& out) const;
  json hover(const json& params) const;
  json completion(const json& params) const;
  json definition(const json& params) const;
  Result references(const json& params) const;
  Result rename(const json& params) const;
  json symbols(const json& params) const;

  const Document& document(const json& params) const;
  json range(const Document& d, std::size_t offset, std::size_t length) const;
  void append_range(std::string& out, const Document& d, std::size_t offset, std::size_t length) const;
  json location(const std::string& uri, const Document& d, const check::Word& w) const;
  std::string text(std::string spanish, std::string english) const;

  std::map<std::string, std::unique_ptr<Document>> documents_;
  mutable Structures structures_;  // read again only when a file changes
  std::string reply_start_;        // the reply to the request being handled, up to its result
  Language language_ = Language::Spanish;
  bool initialized_ = false;
  bool shut_down_ = false;
  bool finished_ = false;
};

// Serves one client until "exit" or the end of input; returns the process's exit code (1 after an "exit"
// that no "shutdown" came before, as the protocol asks).
int serve(const ByteSource& in, const ByteSink& out);

}  // namespace kal::lsp
