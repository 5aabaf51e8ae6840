#include "util/text.h"

namespace kx {

std::string Unescape_Newlines(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      result += '\n';
      ++i;
    } else {
      result += text[i];
    }
  }
  return result;
}

std::string Escape_Newlines(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    if (c == '\n')
      result += "\\n";
    else
      result += c;
  }
  return result;
}

std::vector<unsigned char> Allocate_Zeroed(std::size_t size) { return std::vector<unsigned char>(size, 0); }

}  // namespace kx
