#include <algorithm>

#include "common/limits.h"
#include "lsp/features.h"

namespace kal::lsp {
namespace {

std::string message_text(const check::Problem& p) {
  std::string message = p.message;  // one line, as kalcheck prints it
  std::replace(message.begin(), message.end(), '\r', ' ');
  message.erase(std::remove(message.begin(), message.end(), '\n'), message.end());
  return utf8(message);
}

}  // namespace

json diagnostic(const Document& d, const check::Problem& p) {
  return {{"range", range(d, p.offset, p.length)},
          {"severity", p.error ? kSeverityError : kSeverityWarning},
          {"source", "kalcheck"},
          {"message", message_text(p)}};
}

std::string diagnostics(const std::string& uri, const Document& d, Language language) {
  std::string reply = R"({"jsonrpc":"2.0","method":"textDocument/publishDiagnostics","params":{"uri":)";
  reply.append(quoted(uri)).append(R"(,"diagnostics":[)");
  auto add = [&](std::size_t offset, std::size_t length, bool error, const std::string& message) {
    if (reply.back() != '[') reply += ',';
    reply += R"({"range":)";
    append_range(reply, d, offset, length);
    reply.append(R"(,"severity":)").append(std::to_string(error ? kSeverityError : kSeverityWarning));
    reply.append(R"(,"source":"kalcheck","message":)").append(quoted(message)).append("}");
  };
  if (d.too_large()) {
    const std::string size = std::to_string(d.bytes().size()), most = std::to_string(limits::kMaxTokens);
    add(0, 0, true,
        language == Language::English
            ? "The file holds " + size + " characters: it is too large to be a KAL program (" + most +
                  " words at most), and it is not read"
            : "El fichero tiene " + size + " caracteres: es demasiado grande para ser un programa de KAL (" +
                  most + " palabras como mucho), y no se lee");
  }
  for (const check::Problem& p : d.analysis().problems) add(p.offset, p.length, p.error, message_text(p));
  return reply + "]}}";
}

}  // namespace kal::lsp
