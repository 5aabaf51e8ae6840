#pragma once

#include <string_view>
#include <utility>
#include <vector>

#include "vmopcode/vmopcode.h"

namespace kx {

// One token as the build's lexer reads it, at byte positions of the text.
struct LexedToken {
  int kind = 0;  // the lexer's token kind; -1 for a stretch the lexer refused
  int line = 0;
  int column = 0;  // 1-based byte column
  int length = 0;
  std::size_t offset = 0;
  bool comment = false;  // a comment: "//" to the end of its line
  // A string of the [text] section comes in pieces: its text, and each
  // backslash and n (a line feed) as a piece of its own.
  bool escape = false;
  bool continued = false;  // a piece after the first
};

// Reads the whole text with the lexer and the vocabulary of a build,
// switching between the keyword and the name context where the script
// reader does. Unlike a build it goes on after each error, so every token of
// a faulty text is listed; comments are listed too. In text order.
std::vector<LexedToken> Lex_Script(std::string_view text, const VMOpcode& catalogue);

// Where each line of a text starts, and the byte columns of the columns the
// lexer counts after expanding tabs.
class LineMap {
 public:
  explicit LineMap(std::string_view text);

  int line_count() const { return static_cast<int>(starts_.size()); }
  std::size_t Line_Start(int line) const;  // 1-based line
  // The bytes of the line the lexer reads: without its line feed, and
  // without a carriage return directly before it.
  std::string_view Line_Text(int line) const;
  // The byte column (1-based) that holds the lexer's `column` of `line`; the
  // column one past the line's end for columns beyond it.
  int Byte_Column(int line, int column) const;
  // The line and byte column of an offset.
  std::pair<int, int> Position_Of(std::size_t offset) const;

 private:
  std::string_view text_;
  std::vector<std::size_t> starts_;
  std::vector<bool> has_tabs_;
};

}  // namespace kx
