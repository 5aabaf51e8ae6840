#include "diagnostics/text_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace kx {
namespace {

TEST(TextLayout, WrapWordsAndBreakLines) {
  // The text, the width, the words wrapped, the lines broken.
  const std::tuple<std::string, int, std::string, std::string> cases[] = {
      {"ab  cd", 10, "ab  cd", "ab  cd"},
      {"a b c", 0, "a b c", "a b c"},
      {"hello world", 5, "hello\nworld", "hello\n worl\nd"},
      {"aaa bbb ccc", 7, "aaa bbb\nccc", "aaa bbb\n ccc"},  // a blank dropped where only the word fits
      {"abc   defgh", 6, "abc\ndefgh", "abc   \ndefgh"},    // blanks removed at a break
      {"   xy zz", 5, "   xy\nzz", "   xy\n zz"},           // leading blanks are a unit
      {"ab   ", 10, "ab   ", "ab   "},
      {" bbb  b ", 4, " bbb\n b ", " bbb\n  b "},  // a blank beyond the width is the next line's
      {"ab", 1, "a\nb", "a\nb"},
      {std::string(10, 'w'), 4, "wwww\nwwww\nww", "wwww\nwwww\nww"},
      {"abcdefghij", 5, "abcde\nfghij", "abcde\nfghij"},
      {"a\n\nbcdef\n", 3, "a\n\nbcd\nef\n", "a\n\nbcd\nef\n"},  // every line on its own
      {"aaaa bbbb\ncc dd", 4, "aaaa\nbbbb\ncc\ndd", "aaaa\n bbb\nb\ncc d\nd"},
      {"", 5, "", ""},
  };
  for (const auto& [text, width, wrapped, broken] : cases) {
    EXPECT_EQ(Wrap_Words(text, width), wrapped) << text << " at " << width;
    EXPECT_EQ(Break_Lines(text, width), broken) << text << " at " << width;
  }
  const std::string word(200, 'x');  // at the build log's width
  EXPECT_EQ(Wrap_Words(word, 94), word.substr(0, 94) + "\n" + word.substr(94, 94) + "\n" + word.substr(188));
}

}  // namespace
}  // namespace kx
