#include "vmobject/text_layout.h"

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
      {"empty lines and final break survive", "a\n\nb\n", 3, "a\n\nb\n"},
      {"each input line on its own", "aaaa bbbb\ncc dd", 4, "aaaa\nbbbb\ncc\ndd"},
      {"empty text", "", 5, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Wrap_Words(c.text, c.width), c.expected) << c.name;
}

TEST(WrapWords, LongWordAtTheListWidth) {
  std::string wrapped = Wrap_Words(std::string(200, 'x'), 94);
  EXPECT_EQ(wrapped, std::string(94, 'x') + "\n" + std::string(94, 'x') + "\n" + std::string(12, 'x'));
}

TEST(WrapWords, SentenceBreaksAtWordsWithoutTrailingBlanks) {
  std::string sentence;
  for (int i = 0; sentence.size() < 150; ++i) sentence += (i ? " " : "") + std::string(3 + i % 7, 'a' + i % 26);
  std::string wrapped = Wrap_Words(sentence, 94);
  std::string rejoined;
  std::size_t start = 0;
  int lines = 0;
  while (start <= wrapped.size()) {
    std::size_t end = wrapped.find('\n', start);
    std::string line = wrapped.substr(start, end == std::string::npos ? std::string::npos : end - start);
    EXPECT_LE(line.size(), 94u);
    EXPECT_FALSE(line.empty());
    EXPECT_NE(line.back(), ' ');
    rejoined += (lines++ ? " " : "") + line;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  EXPECT_EQ(lines, 2);
  EXPECT_EQ(rejoined, sentence);
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
