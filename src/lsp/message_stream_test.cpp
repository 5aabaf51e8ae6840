#include "lsp/message_stream.h"

#include <gtest/gtest.h>

namespace kx::lsp {
namespace {

struct StreamCase {
  std::string bytes;
  std::vector<std::string> bodies;
  int logged;  // lines for standard error
};

TEST(MessageReader, SplitsBodiesAndSkipsWhatIsNoMessage) {
  const std::string hello = "Content-Length: 5\r\n\r\nhello";
  const std::vector<StreamCase> cases = {
      {hello + "content-length:2\r\nContent-Type: x\r\n\r\nhi", {"hello", "hi"}, 0},
      {"\r\n" + hello + "\r\n" + hello, {"hello", "hello"}, 0},  // blank lines between messages
      {"Content-Length: 3\n\né!", {"é!"}, 0},                    // bare line feeds; bytes, not characters
      {"Content-Type: x\r\n\r\n{}" + hello, {"hello"}, 1},       // no length: on to the next one
      {"Content-Length: 2x\r\n\r\n{}" + hello, {"hello"}, 1},
      {"Content-Length: 99999999999\r\n\r\n" + hello, {"hello"}, 1},
      {"{\"a\":1}\r\n" + hello, {"hello"}, 1},
      {"{\"a\":1}Content-Length: 2\r\n\r\nhi", {"hi"}, 1},  // a header after the body of a lost message
      {std::string(5000, 'x') + hello, {"hello"}, 1},
      {"Content-Length: 9\r\n\r\nhi", {}, 0},  // waits for the rest
  };
  for (const StreamCase& c : cases) {
    SCOPED_TRACE(c.bytes.substr(0, 40));
    int logged = 0;
    MessageReader reader([&logged](const std::string&) { ++logged; });
    std::vector<std::string> bodies;
    for (const char byte : c.bytes) {  // in the smallest pieces
      reader.Append(std::string_view(&byte, 1));
      while (const auto body = reader.Next()) bodies.push_back(*body);
    }
    EXPECT_EQ(bodies, c.bodies);
    EXPECT_EQ(logged, c.logged);
  }
}

TEST(MessageReader, FramesWhatItSends) {
  EXPECT_EQ(Frame_Message({{"a", "é\xFF"}}), "Content-Length: 13\r\n\r\n{\"a\":\"é\xEF\xBF\xBD\"}");
}

}  // namespace
}  // namespace kx::lsp
