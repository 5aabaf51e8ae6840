// Wrap_Words and Break_Lines against their invariants. The first input byte
// chooses the width (-8 to 247: widths below 1 leave the text unchanged),
// the rest is the text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "diagnostics/text_layout.h"

namespace {

using kx::fuzz::Finding;

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return lines;
    start = end + 1;
  }
}

std::string Without(std::string_view text, std::string_view dropped) {
  std::string kept;
  for (char c : text)
    if (dropped.find(c) == std::string_view::npos) kept += c;
  return kept;
}

std::string Show(std::string_view text) { return "[" + std::string(text) + "]"; }

void Check_Wrap_Line(std::string_view line, std::size_t width) {
  const std::string wrapped = kx::Wrap_Words(line, static_cast<int>(width));
  const std::vector<std::string_view> pieces = Lines(wrapped);
  for (std::string_view piece : pieces)
    if (piece.size() > width) Finding("Wrap_Words: a line longer than the width: " + Show(piece));
  // Only blanks may be dropped and only line breaks added; the characters
  // that are neither keep their order.
  if (Without(wrapped, " \n") != Without(line, " "))
    Finding("Wrap_Words: characters lost or invented: " + Show(line) + " gave " + Show(wrapped));
  if (Without(wrapped, "\n").size() > line.size())
    Finding("Wrap_Words: blanks invented: " + Show(line) + " gave " + Show(wrapped));
  // A line that fits is left as it is; a wrapped line ends in no blank,
  // since the break drops the blanks before it.
  if (line.size() <= width && wrapped != line) Finding("Wrap_Words changed a line that fits: " + Show(line));
  for (std::size_t i = 0; i + 1 < pieces.size(); ++i)
    if (!pieces[i].empty() && pieces[i].back() == ' ')
      Finding("Wrap_Words: a blank before a break it made: " + Show(wrapped));
  // The pieces are the line's own text in order, parted only at blanks
  // (which a break may drop) or inside a word longer than the width.
  std::size_t consumed = 0;
  for (std::string_view piece : pieces) {
    const std::size_t at = line.find(piece, consumed);
    if (at == std::string_view::npos) Finding("Wrap_Words: a piece out of order: " + Show(wrapped));
    if (Without(line.substr(consumed, at - consumed), " ") != "")
      Finding("Wrap_Words: a piece skipped text: " + Show(wrapped));
    consumed = at + piece.size();
  }
}

void Check_Break_Lines(std::string_view text, std::size_t width) {
  const std::string broken = kx::Break_Lines(text, static_cast<int>(width));
  const std::vector<std::string_view> pieces = Lines(broken);
  std::size_t next = 0;
  for (std::string_view line : Lines(text)) {
    // The line comes back as pieces of exactly `width`, the last with the rest.
    std::size_t pos = 0;
    do {
      if (next >= pieces.size()) Finding("Break_Lines: text lost: " + Show(text));
      const std::string_view piece = pieces[next++];
      const std::string_view expected = line.substr(pos, width);
      if (piece != expected) Finding("Break_Lines: " + Show(piece) + " where " + Show(expected) + " belongs");
      pos += width;
    } while (pos < line.size());
  }
  if (next != pieces.size()) Finding("Break_Lines: text invented: " + Show(broken));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int width = static_cast<int>(data[0]) - 8;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  if (width < 1) {
    if (kx::Wrap_Words(text, width) != text)
      Finding("Wrap_Words changed the text at width " + std::to_string(width));
    if (kx::Break_Lines(text, width) != text)
      Finding("Break_Lines changed the text at width " + std::to_string(width));
    return 0;
  }
  const auto w = static_cast<std::size_t>(width);

  // Every input line is laid out on its own; the results are joined with
  // line feeds.
  const std::string wrapped = kx::Wrap_Words(text, width);
  std::string joined;
  bool first = true;
  for (std::string_view line : Lines(text)) {
    if (!first) joined += '\n';
    first = false;
    joined += kx::Wrap_Words(line, width);
    Check_Wrap_Line(line, w);
  }
  if (wrapped != joined) Finding("Wrap_Words: the lines are not laid out on their own");
  // Wrapped text fits, so wrapping it again changes nothing.
  if (kx::Wrap_Words(wrapped, width) != wrapped) Finding("Wrap_Words is not stable on its own result");

  Check_Break_Lines(text, w);
  return 0;
}
