#pragma once

#include <array>
#include <cstddef>
#include <string_view>

// Character classes of the lexer: plain ASCII, independent of the locale
// (bytes above 127 belong to no class).
namespace kx::lexan_chars {

inline bool Is_Digit(char c) { return c >= '0' && c <= '9'; }

// Letters and '_' (bit 1), and those with the digits (bit 2), by byte: the
// scanners test every character of a name, and one load beats a chain of
// comparisons.
inline constexpr std::array<unsigned char, 256> kNameChars = [] {
  std::array<unsigned char, 256> classes{};
  for (int c = 0; c < 256; ++c) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    const bool digit = c >= '0' && c <= '9';
    classes[static_cast<std::size_t>(c)] =
        static_cast<unsigned char>((letter ? 1 : 0) | (letter || digit ? 2 : 0));
  }
  return classes;
}();

inline bool Is_Keyword_Char(char c) { return (kNameChars[static_cast<unsigned char>(c)] & 1) != 0; }

inline bool Is_Literal_Char(char c) { return (kNameChars[static_cast<unsigned char>(c)] & 2) != 0; }

inline bool Is_Hex_Digit(char c) { return Is_Digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

inline int Hex_Digit_Value(char c) {
  if (Is_Digit(c)) return c - '0';
  return (c >= 'a' ? c - 'a' : c - 'A') + 10;
}

// The byte's code with A to Z taken as a to z.
inline int Fold_Case(char c) {
  const int code = static_cast<unsigned char>(c);
  return code >= 'A' && code <= 'Z' ? code - 'A' + 'a' : code;
}

// Orders texts byte by byte, with A to Z taken as a to z.
inline int Compare_No_Case(std::string_view a, std::string_view b) {
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < common; ++i) {
    const int order = Fold_Case(a[i]) - Fold_Case(b[i]);
    if (order != 0) return order;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace kx::lexan_chars
