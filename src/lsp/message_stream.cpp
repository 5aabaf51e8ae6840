#include "lsp/message_stream.h"

#include <algorithm>
#include <cctype>

namespace kx::lsp {
namespace {

constexpr std::string_view kLengthHeader = "Content-Length";

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool Same_Name(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

bool Is_Header_Name(std::string_view name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
  });
}

std::optional<std::size_t> Length_Of(std::string_view value) {
  if (value.empty() || value.size() > 9) return std::nullopt;
  std::size_t length = 0;
  for (const char c : value) {
    if (c < '0' || c > '9') return std::nullopt;
    length = length * 10 + static_cast<std::size_t>(c - '0');
  }
  if (length > MessageReader::kMaxBody) return std::nullopt;
  return length;
}

std::string Shown(std::string_view line) {
  std::string shown(line.substr(0, 60));
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) c = '?';
  return "'" + shown + (line.size() > 60 ? "...'" : "'");
}

}  // namespace

void MessageReader::Append(std::string_view bytes) {
  if (start_ > 0 && start_ >= buffer_.size() / 2) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
  buffer_.append(bytes);
}

void MessageReader::Skip(std::size_t from, const std::string& why) {
  log_("kestrix-lsp: " + why + "; skipping to the next Content-Length header");
  state_ = State::Skipping;
  start_ = from;
  in_headers_ = false;
  length_.reset();
}

std::optional<std::string> MessageReader::Next() {
  for (;;) {
    if (state_ == State::Body) {
      if (buffer_.size() - start_ < *length_) return std::nullopt;
      std::string body = buffer_.substr(start_, *length_);
      start_ += *length_;
      state_ = State::Headers;
      length_.reset();
      return body;
    }
    if (state_ == State::Skipping) {
      const std::size_t next = buffer_.find(kLengthHeader, start_);
      if (next == std::string::npos) {
        // Keep what could be the start of the header.
        start_ = std::max(start_, buffer_.size() - std::min(buffer_.size(), kLengthHeader.size() - 1));
        return std::nullopt;
      }
      start_ = next;
      state_ = State::Headers;
    }
    const std::size_t line_start = start_;
    const std::size_t end = buffer_.find('\n', line_start);
    if (end == std::string::npos) {
      if (buffer_.size() - line_start >= kMaxHeaderLine) Skip(line_start + 1, "a header line runs too long");
      if (state_ == State::Skipping) continue;
      return std::nullopt;
    }
    std::string_view line = std::string_view(buffer_).substr(line_start, end - line_start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    start_ = end + 1;
    if (line.empty()) {
      if (!in_headers_) continue;
      if (!length_) {
        Skip(start_, "a message without a valid Content-Length header");
        continue;
      }
      in_headers_ = false;
      state_ = State::Body;
      continue;
    }
    in_headers_ = true;
    const std::size_t colon = line.find(':');
    const std::string_view name = colon == std::string_view::npos ? line : Trimmed(line.substr(0, colon));
    if (colon == std::string_view::npos || !Is_Header_Name(name)) {
      Skip(line_start + 1, "a line that is no header: " + Shown(line));
      continue;
    }
    if (!Same_Name(name, kLengthHeader)) continue;
    const std::string_view value = Trimmed(line.substr(colon + 1));
    length_ = Length_Of(value);
    if (!length_) Skip(line_start + 1, "a wrong Content-Length: " + Shown(value));
  }
}

std::string Frame_Message(const nlohmann::json& message) {
  const std::string body = message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

}  // namespace kx::lsp
