#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

namespace kx {

// printf-style formatting into a new string.
std::string Format_Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format_VPrintf(const char* format, std::va_list args);

// printf-style formatting into `buffer`, which may grow to at most `limit`
// characters: what does not fit is cut.
void Append_Bounded(std::string& buffer, std::size_t limit, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
void Append_VBounded(std::string& buffer, std::size_t limit, const char* format, std::va_list args);

}  // namespace kx
