// Wrap_Words and Break_Lines against their invariants. The first input byte
// chooses the width (-8 to 247: widths below 1 leave the text unchanged),
// the rest is the text.
#include <vector>

#include "diagnostics/text_layout.h"
#include "fuzz_support.h"

namespace {

using kx::fuzz::Finding;

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (std::size_t start = 0;; start = text.find('\n', start) + 1) {
    lines.push_back(text.substr(start, text.find('\n', start) - start));
    if (text.find('\n', start) == std::string_view::npos) return lines;
  }
}

bool Only_Blanks(std::string_view text) { return text.find_first_not_of(' ') == std::string_view::npos; }

// One input line: no piece is longer than the width, and the pieces are the
// line's own text in order, parted only at blanks (which a break drops, with
// every blank before it) or inside a word longer than the width.
void Check_Wrap_Line(std::string_view line, std::size_t width) {
  const std::string wrapped = kx::Wrap_Words(line, static_cast<int>(width));
  if (line.size() <= width && wrapped != line)
    Finding("Wrap_Words changed a line that fits: [" + wrapped + "]");
  const std::vector<std::string_view> pieces = Lines(wrapped);
  std::size_t consumed = 0;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (pieces[i].size() > width) Finding("Wrap_Words: a line longer than the width: [" + wrapped + "]");
    if (i + 1 < pieces.size() && !pieces[i].empty() && pieces[i].back() == ' ')
      Finding("Wrap_Words: a blank before a break it made: [" + wrapped + "]");
    const std::size_t at = line.find(pieces[i], consumed);
    if (at == std::string_view::npos || !Only_Blanks(line.substr(consumed, at - consumed)))
      Finding("Wrap_Words: text lost, invented or out of order: [" + std::string(line) + "] gave [" +
              wrapped + "]");
    consumed = at + pieces[i].size();
  }
  if (!Only_Blanks(line.substr(consumed))) Finding("Wrap_Words: the end of a line lost: [" + wrapped + "]");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int width = data[0] - 8;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string wrapped = kx::Wrap_Words(text, width), broken = kx::Break_Lines(text, width);
  if (width < 1) {
    if (wrapped != text || broken != text) Finding("a text changed at width " + std::to_string(width));
    return 0;
  }
  // Every input line is laid out on its own, and wrapping the result again changes nothing.
  std::string joined, expected_broken;
  for (std::string_view line : Lines(text)) {
    Check_Wrap_Line(line, static_cast<std::size_t>(width));
    joined += kx::Wrap_Words(line, width) + "\n";
    // Break_Lines: pieces of exactly the width, the last one with the rest.
    for (std::size_t pos = 0; pos == 0 || pos < line.size(); pos += static_cast<std::size_t>(width))
      expected_broken += std::string(line.substr(pos, static_cast<std::size_t>(width))) + "\n";
  }
  if (joined.substr(0, joined.size() - 1) != wrapped)
    Finding("Wrap_Words: the lines are not laid out on their own");
  if (kx::Wrap_Words(wrapped, width) != wrapped) Finding("Wrap_Words is not stable on its own result");
  if (expected_broken.substr(0, expected_broken.size() - 1) != broken)
    Finding("Break_Lines: [" + broken + "] where [" + expected_broken + "] belongs");
  return 0;
}
