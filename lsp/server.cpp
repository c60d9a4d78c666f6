#include "lsp/server.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <memory>
#include <optional>
#include <set>

#include "checker/hints.h"
#include "common/cp1252.h"
#include "common/limits.h"
#include "compiler/label_table.h"
#include "compiler/token_class.h"
#include "database/records.h"
#include "lsp/message_reader.h"

namespace kal::lsp {
namespace {

using json = nlohmann::json;
using check::Word;

// JSON-RPC and LSP error codes.
constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInvalidParams = -32602;
constexpr int kServerNotInitialized = -32002;
constexpr int kRequestFailed = -32803;

// LSP's numbers for the kinds it names.
constexpr int kSeverityError = 1;
constexpr int kSeverityWarning = 2;
constexpr int kCompletionFunction = 3;
constexpr int kCompletionVariable = 6;
constexpr int kCompletionField = 5;
constexpr int kCompletionKeyword = 14;
constexpr int kCompletionConstant = 21;
constexpr int kCompletionReference = 18;
constexpr int kSymbolFunction = 12;
constexpr int kSymbolStruct = 23;
constexpr int kSnippet = 2;

struct RpcError {
  int code;
  std::string message;
};

std::string utf8(std::string_view cp1252_text) {
  return cp1252::to_utf8(cp1252_text);
}

// A word's name without its sigil.
std::string_view name_of(const Word& w) {
  return std::string_view(w.text).substr(1);
}

// Variables, constants and labels each have their own names; a jump names a label.
bool same_symbol(const Word& a, const Word& b) {
  auto family = [](Word::Kind k) { return k == Word::Kind::Jump ? Word::Kind::Label : k; };
  return family(a.kind) == family(b.kind) && name_of(a) == name_of(b);
}

bool is_named(const Word& w) {
  return w.kind == Word::Kind::Variable || w.kind == Word::Kind::Constant || w.kind == Word::Kind::Label ||
         w.kind == Word::Kind::Jump;
}

// The label statement a jump (or a label's name) leads to, as the checker found it with the label table.
const Word* jump_target(const std::vector<Word>& words, const Word& jump) {
  return jump.target < words.size() ? &words[jump.target] : nullptr;
}

const Word* first_assignment(const std::vector<Word>& words, const Word& of) {
  for (const Word& w : words)
    if (w.assigned && same_symbol(w, of)) return &w;
  return nullptr;
}

std::string message_text(const check::Problem& p) {
  std::string message = p.message;  // one line, as kalcheck prints it
  std::replace(message.begin(), message.end(), '\r', ' ');
  message.erase(std::remove(message.begin(), message.end(), '\n'), message.end());
  return utf8(message);
}

std::string percent_decoded(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned value = 0;
    const char* digits = text.data() + i + 1;
    if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(digits[0])) &&
        std::isxdigit(static_cast<unsigned char>(digits[1])) &&
        std::from_chars(digits, digits + 2, value, 16).ptr == digits + 2) {
      out += static_cast<char>(value);
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The folder of a file: URI, in UTF-8 and ending with "/", or empty.
std::string folder_of(const std::string& uri) {
  constexpr std::string_view kScheme = "file://";
  if (!uri.starts_with(kScheme)) return {};
  std::string path = percent_decoded(std::string_view(uri).substr(kScheme.size()));
  if (path.size() > 2 && path[0] == '/' && path[2] == ':') path.erase(0, 1);  // file:///c:/...
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The database a selector word names ("[agenda]" names agenda).
std::string selected_name(const Word& w) {
  return w.text.size() < 3 ? std::string() : w.text.substr(1, w.text.size() - 2);
}

// The databases the script selects, each once however often it selects it, in the script's order.
std::vector<std::string> selected_databases(const std::vector<Word>& words) {
  std::vector<std::string> names;
  std::set<std::string> seen;
  for (const Word& w : words)
    if (w.kind == Word::Kind::Selector && seen.insert(selected_name(w)).second)
      names.push_back(selected_name(w));
  return names;
}

// What an operator does, for its hover: the word, then Spanish and English.
struct OperatorHelp {
  std::string_view word, es, en;
};
constexpr OperatorHelp kOperators[] = {
    {":=", "asignaci\xC3\xB3n: pone el valor de la derecha en la variable (o la constante) de la izquierda",
     "assignment: puts the value on the right into the variable (or constant) on the left"},
    {"+", "suma dos n\xC3\xBAmeros; si uno es un texto general, los junta (`abc + 5` da `abc5`)",
     "adds two numbers; if one is a general text, joins them (`abc + 5` gives `abc5`)"},
    {"-", "resta dos n\xC3\xBAmeros (`5 - 7` da `-2`, un texto general)",
     "subtracts two numbers (`5 - 7` gives `-2`, a general text)"},
    {"*", "multiplica dos n\xC3\xBAmeros", "multiplies two numbers"},
    {"DIV", "el cociente completo, con decimales (`7 DIV 2` da `3.5`)",
     "the full quotient, with decimals (`7 DIV 2` gives `3.5`)"},
    {"MOD", "el resto, con el signo del primer n\xC3\xBAmero (`7 MOD 2` da `1`; `7 MOD 0` da `0`)",
     "the remainder, with the first number's sign (`7 MOD 2` gives `1`; `7 MOD 0` gives `0`)"},
};

// The word of the text around an offset as the tokenizer cuts it: a punctuation character alone, or the run
// of word characters; with where it starts.
std::pair<std::string_view, std::size_t> token_around(std::string_view text, std::size_t at) {
  auto breaks = [](char c) { return std::string_view(" \r\n*+-,;\"|").find(c) != std::string_view::npos; };
  if (at >= text.size()) return {{}, at};
  if (breaks(text[at]))
    return {text[at] == ' ' || text[at] == '\r' || text[at] == '\n' ? std::string_view() : text.substr(at, 1),
            at};
  std::size_t start = at, end = at;
  while (start > 0 && !breaks(text[start - 1])) --start;
  while (end < text.size() && !breaks(text[end])) ++end;
  return {text.substr(start, end - start), start};
}

// A field's type and length as a person reads them, in UTF-8.
std::string field_kind(const db::Field& f, bool spanish) {
  std::string kind;
  switch (f.type) {
    case 1:
    case 2:
    case 4:
      kind = spanish ? "n\xC3\xBAmero" : "number";
      break;
    case 3:
    case 5:
    case 8:
      kind = spanish ? "texto" : "text";
      break;
    case db::kTimeField:
      kind = spanish ? "la hora al guardar" : "the time when stored";
      break;
    case db::kDateField:
      kind = spanish ? "la fecha al guardar" : "the date when stored";
      break;
    case db::kChoiceField:
      kind = (spanish ? "opci\xC3\xB3n: " : "choice: ") + cp1252::to_utf8(f.choices);
      break;
    default:
      kind = (spanish ? "tipo " : "type ") + std::to_string(f.type);
  }
  return kind + ", " + (spanish ? "hasta " : "up to ") + std::to_string(f.max_length) +
         (spanish ? " caracteres" : " characters");
}

// A text as a JSON string, quotes included.
std::string quoted(const std::string& text) {
  return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

bool is_name_char(unsigned char c) {
  return std::isalnum(c) || c == '_' || c >= 0x80;
}

}  // namespace

std::string Server::text(std::string spanish, std::string english) const {
  return language_ == Language::English ? english : spanish;
}

std::vector<std::string> Server::bad_header() const {
  return {
      json{{"jsonrpc", "2.0"}, {"id", nullptr}, {"error", {{"code", kParseError}, {"message", "bad header"}}}}
          .dump()};
}

std::vector<std::string> Server::handle(std::string body) {
  std::vector<std::string> out;
  json message;
  auto refuse_text = [&](const char* why) {
    out.push_back(
        json{{"jsonrpc", "2.0"}, {"id", nullptr}, {"error", {{"code", kParseError}, {"message", why}}}}
            .dump());
    return out;
  };
  {
    ParsedMessage parsed = parse_message(body);
    if (parsed.refused != ParsedMessage::Refused::No)
      return refuse_text(parsed.refused == ParsedMessage::Refused::TooDeep ? "JSON nested too deep"
                                                                           : "invalid JSON");
    message = std::move(parsed.value);
  }
  body = std::string();
  const bool has_id = message.is_object() && message.contains("id") &&
                      (message["id"].is_number_integer() || message["id"].is_string());
  const json id = has_id ? message["id"] : json(nullptr);
  auto reply_error = [&](int code, const std::string& text) {
    out.push_back(json{{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", text}}}}.dump(
        -1, ' ', false, json::error_handler_t::replace));
  };
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
      out.push_back(json{{"jsonrpc", "2.0"}, {"id", id}, {"result", result.value}}.dump(
          -1, ' ', false, json::error_handler_t::replace));
  } catch (const RpcError& e) {
    if (has_id) reply_error(e.code, e.message);
  } catch (const json::exception& e) {
    if (has_id) reply_error(kInvalidParams, e.what());
  }
  return out;
}

Server::Result Server::dispatch(const std::string& method, json& params, std::vector<std::string>& out) {
  if (method == "initialize") return initialize(params);
  if (method == "initialized") return nullptr;
  if (method == "shutdown") {
    shut_down_ = true;
    return nullptr;
  }
  if (method == "exit") {
    finished_ = true;
    return nullptr;
  }
  if (method == "textDocument/didOpen" || method == "textDocument/didChange") {
    const std::string uri = params.at("textDocument").at("uri");
    json* text = nullptr;
    if (method == "textDocument/didOpen") {
      text = &params.at("textDocument").at("text");
    } else {
      json& changes = params.at("contentChanges");
      if (!changes.is_array() || changes.empty()) throw RpcError{kInvalidParams, "a change without its text"};
      text = &changes.back().at("text");
    }
    // Taken from the message, not copied: a document may be megabytes.
    documents_[uri] = std::make_unique<Document>(std::move(text->get_ref<std::string&>()));
    publish(uri, out);
    return nullptr;
  }
  if (method == "textDocument/didClose") {
    const std::string uri = params.at("textDocument").at("uri");
    documents_.erase(uri);
    out.push_back(json{{"jsonrpc", "2.0"},
                       {"method", "textDocument/publishDiagnostics"},
                       {"params", {{"uri", uri}, {"diagnostics", json::array()}}}}
                      .dump());
    return nullptr;
  }
  // A document too large to be a script has nothing to show.
  if (method == "textDocument/hover" || method == "textDocument/definition" ||
      method == "textDocument/rename") {
    if (document(params).too_large()) return nullptr;
  } else if (method == "textDocument/completion" || method == "textDocument/references" ||
             method == "textDocument/documentSymbol") {
    if (document(params).too_large()) return json::array();
  }
  if (method == "textDocument/hover") return hover(params);
  if (method == "textDocument/completion") return completion(params);
  if (method == "textDocument/definition") return definition(params);
  if (method == "textDocument/references") return references(params);
  if (method == "textDocument/rename") return rename(params);
  if (method == "textDocument/documentSymbol") return symbols(params);
  if (method.starts_with("$/")) return nullptr;  // optional notifications, such as cancelling
  throw RpcError{kMethodNotFound, "unknown method " + method};
}

Server::json Server::initialize(const json& params) {
  initialized_ = true;
  const json locale = params.value("locale", json());
  language_ = locale.is_string() && locale.get<std::string>().starts_with("en") ? Language::English
                                                                                : Language::Spanish;
  return {{"capabilities",
           {{"textDocumentSync", {{"openClose", true}, {"change", 1}}},
            {"hoverProvider", true},
            {"completionProvider", {{"triggerCharacters", {".", "%", ":", "&", "@", "#"}}}},
            {"definitionProvider", true},
            {"referencesProvider", true},
            {"renameProvider", true},
            {"documentSymbolProvider", true}}},
          {"serverInfo", {{"name", "kalcheck"}}}};
}

const Document& Server::document(const json& params) const {
  const std::string uri = params.at("textDocument").at("uri");
  const auto it = documents_.find(uri);
  if (it == documents_.end()) throw RpcError{kRequestFailed, "the document is not open: " + uri};
  return *it->second;
}

Server::json Server::range(const Document& d, std::size_t offset, std::size_t length) const {
  const Position start = d.position(offset);
  const Position end = d.position(offset + length);
  return {{"start", {{"line", start.line}, {"character", start.character}}},
          {"end", {{"line", end.line}, {"character", end.character}}}};
}

void Server::append_range(std::string& out, const Document& d, std::size_t offset, std::size_t length) const {
  const Position start = d.position(offset);
  const Position end = d.position(offset + length);
  out.append(R"({"start":{"line":)").append(std::to_string(start.line));
  out.append(R"(,"character":)").append(std::to_string(start.character));
  out.append(R"(},"end":{"line":)").append(std::to_string(end.line));
  out.append(R"(,"character":)").append(std::to_string(end.character)).append("}}");
}

Server::json Server::location(const std::string& uri, const Document& d, const Word& w) const {
  return {{"uri", uri}, {"range", range(d, w.offset, w.length)}};
}

void Server::publish(const std::string& uri, std::vector<std::string>& out) const {
  const Document& d = *documents_.at(uri);
  // Written as text: a script full of mistakes has a problem for every few words.
  std::string reply = R"({"jsonrpc":"2.0","method":"textDocument/publishDiagnostics","params":{"uri":)" +
                      json(uri).dump(-1, ' ', false, json::error_handler_t::replace) + R"(,"diagnostics":[)";
  auto add = [&](std::size_t offset, std::size_t length, bool error, const std::string& message) {
    if (reply.back() != '[') reply += ',';
    reply += R"({"range":)";
    append_range(reply, d, offset, length);
    reply.append(R"(,"severity":)").append(std::to_string(error ? kSeverityError : kSeverityWarning));
    reply.append(R"(,"source":"kalcheck","message":)");
    reply.append(json(message).dump(-1, ' ', false, json::error_handler_t::replace)).append("}");
  };
  if (d.too_large())
    add(0, 0, true,
        text("El fichero tiene " + std::to_string(d.bytes().size()) +
                 " caracteres: es demasiado grande para ser un programa de KAL (100000 palabras como mucho), "
                 "y no se "
                 "lee",
             "The file holds " + std::to_string(d.bytes().size()) +
                 " characters: it is too large to be a KAL program (100,000 words at most), and it is not "
                 "read"));
  for (const check::Problem& p : d.analysis().problems) add(p.offset, p.length, p.error, message_text(p));
  out.push_back(reply + "]}}");
}

namespace {

std::size_t offset_at(const Document& d, const nlohmann::json& params) {
  const auto& p = params.at("position");
  return d.offset({p.at("line").get<std::size_t>(), p.at("character").get<std::size_t>()});
}

}  // namespace

Server::json Server::hover(const json& params) const {
  const Document& d = document(params);
  const std::size_t at = offset_at(d, params);
  const Word* w = d.word_at(at);
  const bool spanish = language_ == Language::Spanish;
  if (w == nullptr) {
    const auto [token, start] = token_around(d.bytes(), at);
    for (const OperatorHelp& op : kOperators)
      if (token == op.word)
        return {{"contents",
                 {{"kind", "markdown"},
                  {"value", "**" + std::string(op.word) + "** " + std::string(spanish ? op.es : op.en)}}},
                {"range", range(d, start, token.size())}};
    return nullptr;
  }
  const auto& words = d.analysis().words;
  const std::string folder = folder_of(params.at("textDocument").at("uri").get<std::string>());
  // Built by appending: GCC 12 misreads some `literal + string` chains here as overlapping copies.
  std::string markdown;
  if (w->kind == Word::Kind::Command || w->kind == Word::Kind::Function) {
    std::string word = w->kind == Word::Kind::Command ? std::string(".") : std::string();
    word += w->kind == Word::Kind::Command ? cp1252::lower(name_of(*w)) : w->text;
    const WordHelp* help = find_word(utf8(word));
    if (help == nullptr) return nullptr;
    const auto i = static_cast<std::size_t>(language_);
    markdown.append("**").append(help->word).append("** ").append(help->operands[i]).append("\n\n");
    markdown.append(help->what[i])
        .append("\n\n")
        .append(text("Ejemplo: ", "Example: "))
        .append(help->example[i]);
  } else if (w->kind == Word::Kind::Variable || w->kind == Word::Kind::Constant ||
             w->kind == Word::Kind::Jump) {
    // Where its value comes from, or where the jump goes: a line of this file.
    const bool jump = w->kind == Word::Kind::Jump;
    const Word* source = jump ? jump_target(words, *w) : first_assignment(words, *w);
    markdown.append("`").append(utf8(w->text)).append("`: ");
    if (source != nullptr)
      markdown
          .append(jump ? text("salta a la l\xC3\xADnea ", "jumps to line ")
                       : text("recibe valor por primera vez en la l\xC3\xADnea ",
                              "first receives a value on line "))
          .append(std::to_string(source->line));
    else
      markdown.append(jump ? text("no existe esa etiqueta: saltar a ella termina el programa",
                                  "no such label: jumping to it ends the program")
                           : text("nunca recibe valor: vale el texto vac\xC3\xADo",
                                  "never receives a value: it is the empty text"));
  } else if (w->kind == Word::Kind::Label) {
    markdown.append("`").append(utf8(w->text)).append("`: ").append(text("etiqueta", "label"));
  } else if (w->kind == Word::Kind::Selector) {
    // The database's fields, from its structure file beside the script.
    const std::vector<db::Field>& fields = structures_.fields(folder, selected_name(*w));
    markdown.append("`").append(utf8(w->text)).append("`: ");
    if (fields.empty())
      markdown.append(text("no hay estructura ", "there is no structure ") + utf8(selected_name(*w)) + "/" +
                      utf8(selected_name(*w)) + text(".z04 junto al programa", ".z04 beside the script"));
    for (const db::Field& f : fields)
      markdown.append("\n- `#").append(utf8(f.name)).append("`: ").append(field_kind(f, spanish));
  } else if (w->kind == Word::Kind::Field) {
    // Its type and length in each database the script selects that has it.
    markdown.append("`").append(utf8(w->text)).append("`: ");
    bool found = false;
    for (const std::string& database : selected_databases(words)) {
      for (const db::Field& f : structures_.fields(folder, database)) {
        if ("#" + f.name != w->text) continue;
        markdown.append(found ? "; " : "")
            .append(field_kind(f, spanish))
            .append(" (")
            .append(utf8("[" + database + "]"))
            .append(")");
        // The surprise of number fields: a stored "8.20" reads as 820.
        if (db::reads_as_number(f.type))
          markdown.append(
              text(". KAL quita cada `.` y lee `'` como el punto decimal: guarde `8'20` para leer "
                   "`8.20`; `8.20` se lee `820`",
                   ". KAL drops every `.` and reads `'` as the decimal point: store `8'20` to read "
                   "`8.20`; `8.20` reads as `820`"));
        found = true;
        break;
      }
    }
    if (!found)
      markdown.append(text("ninguna base de datos que el programa elige tiene este campo",
                           "no database the script selects has this field"));
  } else {
    return nullptr;
  }
  return {{"contents", {{"kind", "markdown"}, {"value", markdown}}},
          {"range", range(d, w->offset, w->length)}};
}

Server::json Server::completion(const json& params) const {
  const Document& d = document(params);
  const std::size_t at = offset_at(d, params);
  const std::size_t line = d.line_of(at);
  const std::string_view before = d.line_text(line).substr(0, d.position(at).character);
  std::size_t start = before.size();
  while (start > 0 && is_name_char(static_cast<unsigned char>(before[start - 1]))) --start;
  if (start == 0) return json::array();
  const char sigil = before[start - 1];
  json items = json::array();
  const auto i = static_cast<std::size_t>(language_);
  std::set<std::string> seen;
  auto add = [&](const std::string& label, int kind, json extra = json::object()) {
    if (!seen.insert(label).second) return;
    json item = {{"label", label}, {"kind", kind}};
    item.update(extra);
    items.push_back(item);
  };
  const auto& words = d.analysis().words;
  if (sigil == '.' || sigil == '%') {
    for (const WordHelp& help : word_help()) {
      if (help.word.front() != sigil) continue;
      const std::string name = help.word.substr(1);
      json extra = {{"detail", help.operands[i]}, {"documentation", help.what[i]}};
      if (sigil == '%') {
        std::string snippet = name;
        int n = 0;
        for (std::string operand : operand_names(help, language_)) {
          std::replace(operand.begin(), operand.end(), ' ', '_');
          snippet += " &${" + std::to_string(++n) + ":" + operand + "}";
        }
        extra["insertText"] = snippet;
        extra["insertTextFormat"] = kSnippet;
      }
      add(name, sigil == '.' ? kCompletionKeyword : kCompletionFunction, extra);
    }
  } else if (sigil == ':') {
    // Labels after a jump word.
    std::size_t end = start - 1;
    while (end > 0 && before[end - 1] == ' ') --end;
    std::size_t word = end;
    while (word > 0 && is_name_char(static_cast<unsigned char>(before[word - 1]))) --word;
    if (word == 0 || before[word - 1] != '.' ||
        !check::is_jump_word(cp1252::lower(before.substr(word, end - word))))
      return items;
    for (const Word& w : words)
      if (w.kind == Word::Kind::Label) add(utf8(name_of(w)), kCompletionReference);
  } else if (sigil == '&' || sigil == '@') {
    for (const Word& w : words)
      if (w.kind == (sigil == '&' ? Word::Kind::Variable : Word::Kind::Constant))
        add(utf8(name_of(w)), sigil == '&' ? kCompletionVariable : kCompletionConstant);
  } else if (sigil == '#') {
    const std::string uri = params.at("textDocument").at("uri");
    for (const std::string& database : selected_databases(words))
      for (const db::Field& field : structures_.fields(folder_of(uri), database))
        add(utf8(field.name), kCompletionField);
  }
  return items;
}

Server::json Server::definition(const json& params) const {
  const Document& d = document(params);
  const Word* w = d.word_at(offset_at(d, params));
  if (w == nullptr) return nullptr;
  const auto& words = d.analysis().words;
  const Word* target = w->kind == Word::Kind::Jump || w->kind == Word::Kind::Label ? jump_target(words, *w)
                       : is_named(*w) ? first_assignment(words, *w)
                                      : nullptr;
  if (target == nullptr) return nullptr;
  return location(params.at("textDocument").at("uri"), d, *target);
}

Server::Result Server::references(const json& params) const {
  const Document& d = document(params);
  const Word* w = d.word_at(offset_at(d, params));
  if (w == nullptr || !is_named(*w)) return json::array();
  const bool declarations = params.value("context", json::object()).value("includeDeclaration", true);
  const std::string uri = quoted(params.at("textDocument").at("uri").get<std::string>());
  auto wanted = [&](const Word& other) {
    return same_symbol(other, *w) && (declarations || !(other.assigned || other.kind == Word::Kind::Label));
  };
  // Measured first: a reply of tens of megabytes that grew by doubling would briefly take three times its
  // size.
  const auto count =
      static_cast<std::size_t>(std::count_if(d.analysis().words.begin(), d.analysis().words.end(), wanted));
  std::string found = reply_start_ + "[";
  found.reserve(found.size() + count * (uri.size() + 104) + 2);
  for (const Word& other : d.analysis().words) {
    if (!wanted(other)) continue;
    if (found.back() != '[') found += ',';
    found.append(R"({"uri":)").append(uri).append(R"(,"range":)");
    append_range(found, d, other.offset, other.length);
    found += '}';
  }
  found += ']';
  return Result::written(std::move(found));
}

Server::Result Server::rename(const json& params) const {
  const Document& d = document(params);
  const Word* w = d.word_at(offset_at(d, params));
  if (w == nullptr || !is_named(*w))
    throw RpcError{kRequestFailed,
                   text("Aqu\xC3\xAD no hay un nombre que cambiar", "There is no name to rename here")};
  const char sigil = w->text.front();
  std::string wanted = params.at("newName");
  if (!wanted.empty() && wanted.front() == sigil) wanted.erase(0, 1);
  const std::optional<std::string> name = cp1252::from_utf8_exact(wanted);
  std::string written(1, sigil);
  written += name.value_or("");
  const bool valid =
      name && (sigil == '&'   ? is_ordinary_variable(written)
               : sigil == '@' ? is_constant(written)
                              : is_label(written) && LabelTable::registers_name(convert_field(written)));
  if (valid && written.size() > limits::kMaxTokenLength)
    throw RpcError{kRequestFailed,
                   text("El nombre pasa de 255 caracteres: KAL solo lee los 255 primeros",
                        "The name is longer than 255 characters: KAL reads only the first 255")};
  if (!valid) {
    std::string message = "\xC2\xAB";
    message.append(1, sigil).append(wanted).append("\xC2\xBB ");
    message += sigil == ':'   ? text("no vale como nombre de etiqueta (letras, cifras y sin _)",
                                     "is no valid label name (letters and digits, no _)")
               : sigil == '@' ? text("no vale como nombre de constante", "is no valid constant name")
                              : text("no vale como nombre de variable", "is no valid variable name");
    throw RpcError{kRequestFailed, message};
  }
  std::string edits = reply_start_ + R"({"changes":{)" +
                      quoted(params.at("textDocument").at("uri").get<std::string>()) + ":[";
  const std::string new_text = quoted(utf8(written));
  for (const Word& other : d.analysis().words) {
    if (!same_symbol(other, *w)) continue;
    if (other.length != other.text.size())
      throw RpcError{kRequestFailed,
                     text("Un uso del nombre sigue en la l\xC3\xAD"
                          "nea siguiente: no se puede cambiar",
                          "A use of the name runs on into the next line: it cannot be renamed")};
    if (edits.back() != '[') edits += ',';
    edits += R"({"range":)";
    append_range(edits, d, other.offset, other.length);
    edits.append(R"(,"newText":)").append(new_text).append("}");
  }
  edits += "]}}";
  return Result::written(std::move(edits));
}

Server::json Server::symbols(const json& params) const {
  const Document& d = document(params);
  json found = json::array();
  for (const Word& w : d.analysis().words) {
    if (w.kind != Word::Kind::Label && w.kind != Word::Kind::Selector) continue;
    const json place = range(d, w.offset, w.length);
    found.push_back({{"name", utf8(w.text)},
                     {"kind", w.kind == Word::Kind::Label ? kSymbolFunction : kSymbolStruct},
                     {"range", place},
                     {"selectionRange", place}});
  }
  return found;
}

int serve(const ByteSource& in, const ByteSink& out) {
  Server server;
  MessageReader reader(in);
  auto send = [&out](const std::vector<std::string>& messages) {
    for (const std::string& m : messages) out("Content-Length: " + std::to_string(m.size()) + "\r\n\r\n" + m);
  };
  while (!server.finished()) {
    Incoming incoming = reader.next();
    if (incoming.kind == Incoming::Kind::End) return 0;  // the client went away: nothing is wrong here
    send(incoming.kind == Incoming::Kind::BadHeader ? server.bad_header()
                                                    : server.handle(std::move(incoming.body)));
  }
  return server.exit_code();
}

}  // namespace kal::lsp
