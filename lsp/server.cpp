#include "lsp/server.h"

#include <string_view>

#include "lsp/features.h"

namespace kal::lsp {
namespace {

std::string error_reply(const json& id, int code, const std::string& message) {
  return rpc::json_text({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

// The requests on an open document, each with its feature and what it answers for a document too large to be
// a script (which names nothing).
struct Method {
  std::string_view name;
  Result (*feature)(const Request&);
  bool lists;  // a list: [] when there is nothing; otherwise null
};
constexpr Method kMethods[] = {
    {"textDocument/hover", hover, false},
    {"textDocument/completion", completion, true},
    {"textDocument/definition", definition, false},
    {"textDocument/references", references, true},
    {"textDocument/rename", rename, false},
    {"textDocument/documentSymbol", symbols, true},
    {"textDocument/signatureHelp", signature_help, false},
    {"textDocument/codeAction", code_actions, true},
    {"textDocument/formatting", formatting, true},
    {"textDocument/rangeFormatting", formatting, true},
    {"textDocument/semanticTokens/full", semantic_tokens, false},
};

}  // namespace

std::vector<std::string> Server::bad_header() const {
  return {error_reply(nullptr, kParseError, "bad header")};
}

std::vector<std::string> Server::handle(std::string body) {
  std::vector<std::string> out;
  json message;
  {
    rpc::ParsedMessage parsed = rpc::parse_message(body);
    if (parsed.refused != rpc::ParsedMessage::Refused::No)
      return {error_reply(
          nullptr, kParseError,
          parsed.refused == rpc::ParsedMessage::Refused::TooDeep ? "JSON nested too deep" : "invalid JSON")};
    message = std::move(parsed.value);
  }
  body = std::string();
  const bool has_id = message.is_object() && message.contains("id") &&
                      (message["id"].is_number_integer() || message["id"].is_string());
  const json id = has_id ? message["id"] : json(nullptr);
  auto reply_error = [&](int code, const std::string& text) { out.push_back(error_reply(id, code, text)); };
  if (!message.is_object() || !message.contains("method") || !message["method"].is_string() ||
      (message.contains("id") && !has_id)) {
    if (!message.is_object() || !message.contains("result"))  // a client's reply to us needs no answer
      reply_error(kInvalidRequest, "invalid request");
    return out;
  }
  const std::string method = message["method"];
  json no_params = json::object();
  json& params = message.contains("params") ? message["params"] : no_params;
  if (!initialized_ && method != "initialize" && method != "exit") {
    if (has_id) reply_error(kServerNotInitialized, "the server is not initialized");
    return out;
  }
  if (shut_down_ && method != "exit") {  // after shutdown only exit is valid
    if (has_id) reply_error(kInvalidRequest, "the server is shut down");
    return out;
  }
  try {
    reply_start_ = R"({"jsonrpc":"2.0","id":)" + id.dump() + R"(,"result":)";
    Result result = dispatch(method, params, out);
    if (has_id && result.reply)
      out.push_back(std::move(*result.reply += '}'));
    else if (has_id)
      out.push_back(rpc::json_text({{"jsonrpc", "2.0"}, {"id", id}, {"result", result.value}}));
  } catch (const RpcError& e) {
    if (has_id) reply_error(e.code, e.message);
  } catch (const json::exception& e) {
    if (has_id) reply_error(kInvalidParams, e.what());
  }
  return out;
}

Result Server::dispatch(const std::string& method, json& params, std::vector<std::string>& out) {
  for (const Method& m : kMethods) {
    if (method != m.name) continue;
    const std::string uri = params.at("textDocument").at("uri");
    const Document& d = document(uri);
    if (d.too_large()) return m.lists ? json::array() : json(nullptr);
    return m.feature(Request{d, params, uri, language_, structures_, reply_start_});
  }
  if (method == "initialize") return initialize(params);
  if (method == "shutdown") shut_down_ = true;
  if (method == "exit") finished_ = true;
  if (method == "initialized" || method == "shutdown" || method == "exit") return nullptr;
  if (method == "textDocument/didOpen" || method == "textDocument/didChange") {
    open(params, method == "textDocument/didChange", out);
    return nullptr;
  }
  if (method == "textDocument/didClose") {
    const std::string uri = params.at("textDocument").at("uri");
    documents_.erase(uri);
    out.push_back(rpc::json_text({{"jsonrpc", "2.0"},
                                  {"method", "textDocument/publishDiagnostics"},
                                  {"params", {{"uri", uri}, {"diagnostics", json::array()}}}}));
    return nullptr;
  }
  if (method.starts_with("$/")) return nullptr;  // optional notifications, such as cancelling
  throw RpcError{kMethodNotFound, "unknown method " + method};
}

json Server::initialize(const json& params) {
  initialized_ = true;
  const json locale = params.value("locale", json());
  language_ = locale.is_string() && locale.get<std::string>().starts_with("en") ? Language::English
                                                                                : Language::Spanish;
  return {{"capabilities",
           {{"textDocumentSync", {{"openClose", true}, {"change", 1}}},
            {"hoverProvider", true},
            {"completionProvider", {{"triggerCharacters", {".", "%", ":", "&", "@", "#"}}}},
            {"signatureHelpProvider", {{"triggerCharacters", {" "}}}},
            {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}},
            {"documentFormattingProvider", true},
            {"documentRangeFormattingProvider", true},
            {"semanticTokensProvider", {{"legend", colour_legend()}, {"full", true}}},
            {"definitionProvider", true},
            {"referencesProvider", true},
            {"renameProvider", true},
            {"documentSymbolProvider", true}}},
          {"serverInfo", {{"name", "kalcheck"}}}};
}

void Server::open(json& params, bool changed, std::vector<std::string>& out) {
  const std::string uri = params.at("textDocument").at("uri");
  json* text = nullptr;
  if (!changed) {
    text = &params.at("textDocument").at("text");
  } else {
    json& changes = params.at("contentChanges");
    if (!changes.is_array() || changes.empty()) throw RpcError{kInvalidParams, "a change without its text"};
    text = &changes.back().at("text");
  }
  // Taken from the message, not copied: a document may be megabytes.
  auto& held = documents_[uri];
  held = std::make_unique<Document>(std::move(text->get_ref<std::string&>()));
  out.push_back(diagnostics(uri, *held, language_));
}

const Document& Server::document(const std::string& uri) const {
  const auto it = documents_.find(uri);
  if (it == documents_.end()) throw RpcError{kRequestFailed, "the document is not open: " + uri};
  return *it->second;
}

int serve(const rpc::ByteSource& in, const rpc::ByteSink& out) {
  Server server;
  rpc::MessageReader reader(in);
  while (!server.finished()) {
    rpc::Incoming incoming = reader.next();
    if (incoming.kind == rpc::Incoming::Kind::End) return 0;  // the client went away: nothing is wrong here
    for (const std::string& m : incoming.kind == rpc::Incoming::Kind::BadHeader
                                    ? server.bad_header()
                                    : server.handle(std::move(incoming.body)))
      rpc::send(out, m);
  }
  return server.exit_code();
}

}  // namespace kal::lsp
