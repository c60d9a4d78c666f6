// Reads Language Server Protocol messages from a byte stream: header lines ("Content-Length: N"), an empty
// line, then N bytes of JSON. A message whose header cannot be read is reported once, and reading goes on at
// the next "Content-Length:" in the stream, so one bad message does not end the session.
#pragma once

#include <istream>
#include <string>

namespace kal::lsp {

struct Incoming {
  enum class Kind { Message, BadHeader, End };
  Kind kind = Kind::End;
  std::string body;  // the JSON text of a Message
};

class MessageReader {
 public:
  explicit MessageReader(std::istream& in) : in_(in) {}
  Incoming next();

 private:
  bool next_line(std::string& line);
  Incoming skip(std::string line);
  std::istream& in_;
  std::string carried_;  // a header line found while skipping a bad message
  bool has_carried_ = false;
};

}  // namespace kal::lsp
