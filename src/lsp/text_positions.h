#pragma once

#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

namespace kx::lsp {

// A place as the protocol counts it: a 0-based line and the UTF-16 code
// units before the place in that line.
struct LspPosition {
  int line = 0;
  int character = 0;
  bool operator==(const LspPosition&) const = default;
};

// Converts places between the two countings of one text, once, at the edge.
//
// The server analyses a document's UTF-8 bytes as they are: every byte is one
// script byte, as kestrixc sees the file saved in UTF-8, so a character
// outside ASCII is two to four script bytes (and, in a name, an invalid
// lexeme, as the compiler finds it).
//
// The script side counts 1-based lines that end at line feeds (a carriage
// return before a line feed belongs to the line end; a lone one is an
// ordinary byte) and 1-based byte columns. The protocol side counts 0-based
// lines that end at a line feed, a carriage return and line feed, or a lone
// carriage return, and UTF-16 code units in the line: one per character,
// two for a character beyond U+FFFF. A byte that starts no well-formed UTF-8
// sequence counts as one unit. Both sides meet at byte offsets.
//
// The index keeps a view of the text, which must outlive it.
class TextIndex {
 public:
  explicit TextIndex(std::string_view text);

  std::string_view text() const { return text_; }

  // The offset of a protocol place, clamped: a line past the last one stands
  // for the end of the text, a character past its line's end for that end,
  // and a character between the two units of a pair for the pair's start.
  std::size_t Offset_Of(LspPosition position) const;
  // The protocol place of an offset (clamped to the text); a place inside a
  // character or a line end counts from the character's or the end's start.
  LspPosition Position_Of(std::size_t offset) const;

  // The offset of a script place, clamped to the line's bytes (a line past
  // the last one stands for the end of the text).
  std::size_t Offset_Of_Script(int line, int column) const;
  // The script line and byte column of an offset (clamped to the text).
  std::pair<int, int> Script_Place_Of(std::size_t offset) const;

  // The end of the protocol line that holds `offset`, before its line end.
  std::size_t Line_End_At(std::size_t offset) const;

 private:
  std::size_t Line_Of(std::size_t offset) const;

  std::string_view text_;
  std::vector<std::size_t> starts_;  // protocol lines
  std::vector<std::size_t> ends_;    // where their line ends start
  std::vector<bool> ascii_;          // lines of ASCII bytes only: one unit a byte
  std::vector<std::size_t> script_starts_;
  // The last place converted on a line that is not ASCII: conversions in
  // text order walk each line once.
  mutable struct {
    std::size_t line = 0, offset = 0;
    int units = 0;
  } last_{};
};

}  // namespace kx::lsp
