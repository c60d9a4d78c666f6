#include "rpc/transport.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace kal::rpc {
namespace {

// Every message of a stream, "M:body" for a message and "BAD" for a header that could not be read.
std::vector<std::string> read_all(const std::string& stream) {
  MessageReader reader(bytes_of(stream));
  std::vector<std::string> got;
  for (Incoming m = reader.next(); m.kind != Incoming::Kind::End; m = reader.next())
    got.push_back(m.kind == Incoming::Kind::Message ? "M:" + m.body : "BAD");
  return got;
}

using Got = std::vector<std::string>;

TEST(Transport, FramesDamagedOnesAndWhatFollowsThem) {
  // Any letter case, other headers, and LF-only header lines are read.
  EXPECT_EQ(read_all("content-LENGTH: 2\r\nContent-Type: x\r\n\r\n{}Content-Length: 1\n\n7"),
            (Got{"M:{}", "M:7"}));
  // No length, a length that is no number, or one far too large: reported once, and reading goes on at the
  // next header, even in the middle of a line.
  EXPECT_EQ(read_all("Content-Type: x\r\n\r\nzzzContent-Length: 2\r\n\r\n[]"), (Got{"BAD", "M:[]"}));
  EXPECT_EQ(read_all("Content-Length: dos\r\n\r\n{}\r\nContent-Length: 2\r\n\r\n{}"), (Got{"BAD", "M:{}"}));
  EXPECT_EQ(read_all("Content-Length: 99999999999\r\n\r\n{}"), (Got{"BAD"}));
  // A body cut short by the end of input is what arrived.
  EXPECT_EQ(read_all("Content-Length: 10\r\n\r\n{}"), (Got{"M:{}"}));
  EXPECT_EQ(read_all(""), Got{});
}

TEST(Transport, JsonNestedTooDeepIsRefusedAndLoneSurrogatesStand) {
  const std::string deep = std::string(40000, '[') + std::string(40000, ']');
  EXPECT_EQ(parse_message(deep).refused, ParsedMessage::Refused::TooDeep);
  EXPECT_EQ(parse_message("{\"a\":").refused, ParsedMessage::Refused::NotJson);
  // The text each body reads as: a half of a pair alone becomes U+FFFD (EF BF BD), a whole pair and an
  // escaped backslash before "u" stay as written.
  const std::pair<std::string, std::string> texts[] = {
      {R"(["a\ud800b"])",
       "a\xEF\xBF\xBD"
       "b"},
      {R"(["\udc00\ud800"])", "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {R"(["\ud800\ud800\udc00"])", "\xEF\xBF\xBD\xF0\x90\x80\x80"},
      {R"(["\\ud800"])", "\\ud800"},
      {R"(["\ud83d\ude00 \n"])", "\xF0\x9F\x98\x80 \n"},
  };
  for (const auto& [body, text] : texts) {
    const ParsedMessage parsed = parse_message(body);
    ASSERT_EQ(parsed.refused, ParsedMessage::Refused::No) << body;
    EXPECT_EQ(parsed.value[0], text) << body;
  }
}

}  // namespace
}  // namespace kal::rpc
