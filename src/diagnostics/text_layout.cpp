#include "diagnostics/text_layout.h"

#include <cstddef>

namespace kx {
namespace {

// Calls lay_out(line) for every line of `text` split at line feeds and joins
// the results with line feeds, so every line break of the input survives.
template <typename LayOut>
std::string For_Each_Line(std::string_view text, LayOut lay_out) {
  std::string result;
  result.reserve(text.size() + text.size() / 8);
  std::size_t start = 0;
  while (true) {
    std::size_t end = text.find('\n', start);
    lay_out(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start), result);
    if (end == std::string_view::npos) break;
    result += '\n';
    start = end + 1;
  }
  return result;
}

void Wrap_Line(std::string_view line, std::size_t width, std::string& out) {
  const std::size_t line_start = out.size();
  std::size_t column = 0;
  std::size_t pos = 0;
  while (pos < line.size()) {
    // A unit: at most `width` non-blanks, then blanks while it stays within `width`.
    std::size_t unit_start = pos;
    while (pos < line.size() && line[pos] != ' ' && pos - unit_start < width) ++pos;
    std::size_t word_length = pos - unit_start;
    while (pos < line.size() && line[pos] == ' ' && pos - unit_start < width) ++pos;
    std::size_t unit_length = pos - unit_start;
    std::string_view unit = line.substr(unit_start, unit_length);

    if (column + unit_length <= width) {
      out += unit;
      column += unit_length;
    } else if (column + word_length <= width) {
      out += unit.substr(0, word_length);
      column += unit_length;
    } else {
      std::size_t current_line_start = out.rfind('\n');
      current_line_start = current_line_start == std::string::npos || current_line_start < line_start
                               ? line_start
                               : current_line_start + 1;
      while (out.size() > current_line_start && out.back() == ' ') out.pop_back();
      out += '\n';
      out += unit;
      column = unit_length;
    }
  }
}

void Break_Line(std::string_view line, std::size_t width, std::string& out) {
  for (std::size_t pos = 0; pos < line.size(); pos += width) {
    if (pos > 0) out += '\n';
    out += line.substr(pos, width);
  }
}

}  // namespace

std::string Wrap_Words(std::string_view text, int width) {
  if (width < 1) return std::string(text);
  return For_Each_Line(text, [width](std::string_view line, std::string& out) {
    Wrap_Line(line, static_cast<std::size_t>(width), out);
  });
}

std::string Break_Lines(std::string_view text, int width) {
  if (width < 1) return std::string(text);
  return For_Each_Line(text, [width](std::string_view line, std::string& out) {
    Break_Line(line, static_cast<std::size_t>(width), out);
  });
}

}  // namespace kx
