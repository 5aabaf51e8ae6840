#include "util/byte_reader.h"

namespace kx {

void Fail_Malformed(const std::string& message) { throw MalformedInput(message); }

bool ByteReader::Contains(std::uint64_t offset, std::uint64_t length) const {
  return offset <= image_.size() && length <= image_.size() - offset;
}

void ByteReader::Require(std::uint64_t offset, std::uint64_t length, const char* what) const {
  if (!Contains(offset, length))
    Fail_Malformed(std::string("the file is truncated: ") + what + " lies past its end");
}

std::uint64_t ByteReader::Unsigned(std::uint64_t offset, int bytes, const char* what) const {
  Require(offset, bytes, what);
  std::uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(image_[offset + i]);
  return value;
}

std::uint8_t ByteReader::U8(std::uint64_t offset, const char* what) const {
  return static_cast<std::uint8_t>(Unsigned(offset, 1, what));
}
std::uint16_t ByteReader::U16(std::uint64_t offset, const char* what) const {
  return static_cast<std::uint16_t>(Unsigned(offset, 2, what));
}
std::uint32_t ByteReader::U32(std::uint64_t offset, const char* what) const {
  return static_cast<std::uint32_t>(Unsigned(offset, 4, what));
}
std::uint64_t ByteReader::U64(std::uint64_t offset, const char* what) const {
  return Unsigned(offset, 8, what);
}

std::string_view ByteReader::Bytes(std::uint64_t offset, std::uint64_t length, const char* what) const {
  Require(offset, length, what);
  return image_.substr(offset, length);
}

std::string ByteReader::Text(std::uint64_t offset, std::uint64_t limit, const char* what) const {
  if (limit > image_.size()) limit = image_.size();
  if (offset >= limit) Fail_Malformed(std::string(what) + " lies outside its table");
  std::string_view rest = image_.substr(offset, limit - offset);
  std::size_t end = rest.find('\0');
  if (end == std::string_view::npos) Fail_Malformed(std::string(what) + " has no terminating zero byte");
  return std::string(rest.substr(0, end));
}

}  // namespace kx
