#include "util/format.h"

#include <cstdio>
#include <vector>

namespace kx {

std::string Format_VPrintf(const char* format, std::va_list args) {
  std::va_list copy;
  va_copy(copy, args);
  int needed = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (needed <= 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
  std::vsnprintf(buffer.data(), buffer.size(), format, args);
  return std::string(buffer.data(), static_cast<std::size_t>(needed));
}

std::string Format_Printf(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::string result = Format_VPrintf(format, args);
  va_end(args);
  return result;
}

void Append_VBounded(std::string& buffer, std::size_t limit, const char* format, std::va_list args) {
  if (buffer.size() >= limit) return;
  std::string piece = Format_VPrintf(format, args);
  buffer.append(piece, 0, limit - buffer.size());
}

void Append_Bounded(std::string& buffer, std::size_t limit, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  Append_VBounded(buffer, limit, format, args);
  va_end(args);
}

}  // namespace kx
