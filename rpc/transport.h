// The message transport both servers speak (the language server's protocol and the debug adapter's): header
// lines ("Content-Length: N"), an empty line, then N bytes of JSON. A message whose header cannot be read is
// reported once, and reading goes on at the next "Content-Length:" in the stream, so one bad message does not
// end the session.
#pragma once

#include <cstddef>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace kal::rpc {

// Where messages come from: fills the buffer with up to n bytes, as many as have arrived, and gives how many;
// 0 at the end of the input. The tools read a descriptor rather than a C++ stream: the streams' locale
// machinery would make every console tool of the download a quarter of a megabyte larger.
using ByteSource = std::function<std::size_t(char* buffer, std::size_t n)>;
// Where replies go, each written whole.
using ByteSink = std::function<void(std::string_view bytes)>;

// Standard input and output, unbuffered and untranslated (the protocol counts bytes).
ByteSource standard_input();
ByteSink standard_output();
// The bytes of a text, for tests and fuzzing.
ByteSource bytes_of(std::string text);

struct Incoming {
  enum class Kind { Message, BadHeader, End };
  Kind kind = Kind::End;
  std::string body;  // the JSON text of a Message
};

class MessageReader {
 public:
  explicit MessageReader(ByteSource in) : in_(std::move(in)) {}
  Incoming next();

 private:
  bool next_line(std::string& line);
  bool fill();  // more bytes into buffer_; false at the end
  Incoming skip(std::string line);
  ByteSource in_;
  std::string buffer_;  // read but not yet taken, from taken_ on
  std::size_t taken_ = 0;
  bool ended_ = false;
  std::string carried_;  // a header line found while skipping a bad message
  bool has_carried_ = false;
};

// A message's JSON as both servers read it. No message of either protocol nests deeper than a few levels: a
// deeper one is refused before it is built. A lone UTF-16 surrogate escape ("\ud800", which clients write for
// half a character) is taken as U+FFFD, so that the rest of the message stands.
struct ParsedMessage {
  enum class Refused { No, NotJson, TooDeep };
  nlohmann::json value;  // discarded when the text is refused
  Refused refused = Refused::No;
};
inline constexpr int kMaxMessageDepth = 256;
ParsedMessage parse_message(std::string_view body);

// A JSON value as a message body; text that is no UTF-8 is replaced, never refused.
std::string json_text(const nlohmann::json& value);
// One message, its header before it.
void send(const ByteSink& out, std::string_view body);

// What made a message unreadable: its header, or its JSON.
enum class Fault { BadHeader, NotJson, TooDeep };
// Reads messages until the input ends or `take` returns false; each one that cannot be read is told to
// `fault`, and reading goes on.
void read_messages(const ByteSource& in, const std::function<bool(nlohmann::json& message)>& take,
                   const std::function<void(Fault)>& fault);

}  // namespace kal::rpc
