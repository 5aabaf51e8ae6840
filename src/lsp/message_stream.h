#pragma once

#include <cstddef>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace kx::lsp {

// Receives one line for standard error.
using Log = std::function<void(const std::string& line)>;

// Splits the bytes a client sends into message bodies. A message is header
// lines ("Name: value", each ended by a carriage return and line feed; the
// server also takes a bare line feed), an empty line, and a body of exactly
// Content-Length bytes. Header names are compared without regard to case;
// headers other than Content-Length are ignored, and blank lines between
// messages are skipped.
//
// A header block without a Content-Length, a Content-Length that is not a
// decimal number of at most kMaxBody, a line that is no header, or a header
// line of kMaxHeaderLine bytes without its end is logged once, and the bytes
// are skipped up to the next "Content-Length". A length that
// is wrong but usable takes that many bytes, which the server then finds
// malformed; the bytes after them are skipped the same way.
class MessageReader {
 public:
  static constexpr std::size_t kMaxBody = 64 << 20;
  static constexpr std::size_t kMaxHeaderLine = 4096;

  explicit MessageReader(Log log) : log_(std::move(log)) {}

  // Adds bytes as they arrive, in any pieces.
  void Append(std::string_view bytes);
  // The next whole body; nullopt until more bytes arrive.
  std::optional<std::string> Next();

 private:
  enum class State { Headers, Body, Skipping };

  // Skips from `from` (an offset in buffer_) to the next "Content-Length".
  void Skip(std::size_t from, const std::string& why);

  Log log_;
  std::string buffer_;
  std::size_t start_ = 0;  // bytes of buffer_ consumed
  State state_ = State::Headers;
  bool in_headers_ = false;  // a header line of this message was read
  std::optional<std::size_t> length_;
};

// A message framed for the client: its Content-Length header, the empty line
// and the body in UTF-8 (a byte of a string that is not UTF-8 is replaced by
// U+FFFD).
std::string Frame_Message(const nlohmann::json& message);

}  // namespace kx::lsp
