// The language server's message reader, dispatcher and features. The first
// input byte chooses the form of the rest: even, the bytes a client sends,
// which the reader splits into messages; odd, message bodies separated by
// zero bytes, each framed here with its right length. An initialize and an
// initialized come first, so that the features are reached, and diagnostics
// are published at the end (each analysis builds the catalogue anew, which
// the requests do often enough). Every message the server sends must
// frame into JSON that reads back, a response must carry an id and a result
// or an error, every range must run forward from a place of the protocol,
// and semantic tokens must be whole and must not overlap.
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "lsp/server.h"

namespace {

using kx::fuzz::Finding;
using kx::lsp::Json;

bool Is_Place(const Json& place) {
  return place.is_object() && place.contains("line") && place.contains("character") &&
         place["line"].is_number_integer() && place["character"].is_number_integer() && place["line"] >= 0 &&
         place["character"] >= 0;
}

void Check_Places(const Json& value) {
  if (value.is_object() && value.contains("start") && value.contains("end")) {
    const Json &start = value["start"], &end = value["end"];
    if (!Is_Place(start) || !Is_Place(end)) Finding("a range of no places: " + value.dump());
    if (std::make_pair(start["line"], start["character"]) > std::make_pair(end["line"], end["character"]))
      Finding("a range that runs backwards: " + value.dump());
  }
  if (value.is_structured())
    for (const Json& item : value) Check_Places(item);
}

void Check_Tokens(const Json& data) {
  if (!data.is_array() || data.size() % 5 != 0) Finding("semantic tokens that are not whole");
  int previous_length = 0;
  for (std::size_t t = 0; t < data.size(); t += 5) {
    const int line = data[t], start = data[t + 1], length = data[t + 2];
    if (line < 0 || start < 0 || length <= 0 || (line == 0 && start < previous_length))
      Finding("semantic tokens that overlap or run backwards at " + std::to_string(t / 5));
    previous_length = length;
  }
}

void Check(const Json& message) {
  const std::string framed = kx::lsp::Frame_Message(message);
  const std::size_t body = framed.find("\r\n\r\n") + 4;
  if (framed != "Content-Length: " + std::to_string(framed.size() - body) + "\r\n\r\n" + framed.substr(body))
    Finding("a frame of the wrong length");
  if (Json::parse(framed.substr(body), nullptr, false).is_discarded()) Finding("a message that is no JSON");
  if (message.value("jsonrpc", "") != "2.0") Finding("a message without jsonrpc 2.0");
  if (!message.contains("method") &&
      (!message.contains("id") || message.contains("result") == message.contains("error")))
    Finding("a response without an id, or without a result or an error: " + message.dump());
  Check_Places(message);
  if (message.contains("result") && message["result"].is_object() && message["result"].contains("data"))
    Check_Tokens(message["result"]["data"]);
}

std::string Framed(std::string_view body) {
  return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + std::string(body);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  kx::lsp::LanguageServer server(kx::fuzz::Work_Folder().path(), Check, [](const std::string&) {});
  kx::lsp::MessageReader reader([](const std::string&) {});
  reader.Append(Framed(R"({"jsonrpc":"2.0","id":0,"method":"initialize","params":{}})") +
                Framed(R"({"jsonrpc":"2.0","method":"initialized","params":{}})"));
  if (data[0] % 2 == 0) {
    reader.Append(input);
  } else {
    for (std::size_t from = 0; from <= input.size();) {
      const std::size_t end = std::min(input.find('\0', from), input.size());
      reader.Append(Framed(input.substr(from, end - from)));
      from = end + 1;
    }
  }
  try {
    while (const auto body = reader.Next()) server.Handle(*body);
    server.Publish_Diagnostics();
  } catch (const std::exception& error) {
    Finding(std::string("an exception left the server: ") + error.what());
  }
  return 0;
}
