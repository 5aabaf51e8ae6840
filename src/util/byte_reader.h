#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kx {

// Input that is not of the shape its reader expects; what() says what is wrong.
class MalformedInput : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Bounds-checked little-endian reads from a file image. Every read that does
// not lie wholly inside the image throws MalformedInput with
// "the file is truncated: <what> lies past its end".
class ByteReader {
 public:
  explicit ByteReader(std::string_view image) : image_(image) {}

  std::uint64_t size() const { return image_.size(); }
  // True when `length` bytes from `offset` lie inside the image (no overflow).
  bool Contains(std::uint64_t offset, std::uint64_t length) const;
  // Throws the truncation error naming `what` unless the range is inside.
  void Require(std::uint64_t offset, std::uint64_t length, const char* what) const;

  std::uint8_t U8(std::uint64_t offset, const char* what) const;
  std::uint16_t U16(std::uint64_t offset, const char* what) const;
  std::uint32_t U32(std::uint64_t offset, const char* what) const;
  std::uint64_t U64(std::uint64_t offset, const char* what) const;
  std::string_view Bytes(std::uint64_t offset, std::uint64_t length, const char* what) const;
  // A zero-terminated text starting at `offset` that ends before `limit`
  // (an offset in the image); throws when no terminator comes first.
  std::string Text(std::uint64_t offset, std::uint64_t limit, const char* what) const;

 private:
  std::uint64_t Unsigned(std::uint64_t offset, int bytes, const char* what) const;
  std::string_view image_;
};

// Throws MalformedInput with `message`.
[[noreturn]] void Fail_Malformed(const std::string& message);

}  // namespace kx
