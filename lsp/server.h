// The KAL language server: Language Server Protocol 3.17 over a byte stream, started as `kalcheck --lsp`.
// The server keeps the open documents and the session's state, and sends each request to its feature by the
// method table; the features answer in files of their own (features.h).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "lsp/document.h"
#include "lsp/protocol.h"
#include "lsp/structures.h"
#include "lsp/words.h"
#include "rpc/transport.h"

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
  // The params are the message's own, so that a document's text can be taken from them, not copied.
  Result dispatch(const std::string& method, json& params, std::vector<std::string>& out);
  json initialize(const json& params);
  void open(json& params, bool changed, std::vector<std::string>& out);
  const Document& document(const std::string& uri) const;

  std::map<std::string, std::unique_ptr<Document>> documents_;
  Structures structures_;    // read again only when a file changes
  std::string reply_start_;  // the reply to the request being handled, up to its result
  Language language_ = Language::Spanish;
  bool initialized_ = false;
  bool shut_down_ = false;
  bool finished_ = false;
};

// Serves one client until "exit" or the end of input; returns the process's exit code (1 after an "exit"
// that no "shutdown" came before, as the protocol asks).
int serve(const rpc::ByteSource& in, const rpc::ByteSink& out);

}  // namespace kal::lsp
