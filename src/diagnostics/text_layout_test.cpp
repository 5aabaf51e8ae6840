#include "diagnostics/text_layout.h"

#include <gtest/gtest.h>

#include <string>

namespace kx {
namespace {

struct LayoutCase {
  const char* name;
  std::string text;
  int width;
  std::string expected;
};

TEST(WrapWords, LaysOutByTheRules) {
  const LayoutCase cases[] = {
      {"fits", "ab  cd", 10, "ab  cd"},
      {"width below one keeps the text", "a b c d e f", 0, "a b c d e f"},
      {"word exactly at the width", "hello world", 5, "hello\nworld"},
      {"blank dropped when only the word fits", "aaa bbb ccc", 7, "aaa bbb\nccc"},
      {"trailing blanks removed at a break", "abc   defgh", 6, "abc\ndefgh"},
      {"leading blanks are a unit", "   xy", 10, "   xy"},
      {"leading blanks wrap like words", "   xy zz", 5, "   xy\nzz"},
      {"blanks at the end of a line remain", "ab   ", 10, "ab   "},
      {"long word cut into width pieces", std::string(10, 'w'), 4, "wwww\nwwww\nww"},
      {"long word at the list width", std::string(200, 'x'), 94,
       std::string(94, 'x') + "\n" + std::string(94, 'x') + "\n" + std::string(12, 'x')},
      {"empty lines and final break survive", "a\n\nb\n", 3, "a\n\nb\n"},
      {"each input line on its own", "aaaa bbbb\ncc dd", 4, "aaaa\nbbbb\ncc\ndd"},
      {"empty text", "", 5, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Wrap_Words(c.text, c.width), c.expected) << c.name;
}

TEST(BreakLines, CutsEveryLineIntoWidthPieces) {
  const LayoutCase cases[] = {
      {"three pieces", "abcdefghij", 4, "abcd\nefgh\nij"},
      {"exact multiple adds no empty piece", "abcdefghij", 5, "abcde\nfghij"},
      {"empty lines stay", "abc\n\nabcdef\n", 3, "abc\n\nabc\ndef\n"},
      {"blanks are characters", "a b c", 2, "a \nb \nc"},
      {"width below one keeps the text", "abcdef", -1, "abcdef"},
      {"empty text", "", 3, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Break_Lines(c.text, c.width), c.expected) << c.name;
}

}  // namespace
}  // namespace kx
