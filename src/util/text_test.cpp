#include "util/text.h"

#include <gtest/gtest.h>

namespace kx {
namespace {

TEST(Text, UnescapeNewlines) {
  const struct {
    std::string input, expected;
  } cases[] = {
      {"a\\nb", "a\nb"},
      {"", ""},
      {"ends in \\", "ends in \\"},
      {"\\N stays", "\\N stays"},
      {"\\\\n", "\\\n"},
      {"\\n\\n", "\n\n"},
      {"no escapes", "no escapes"},
  };
  for (const auto& c : cases) EXPECT_EQ(Unescape_Newlines(c.input), c.expected) << c.input;
}

TEST(Text, EscapeNewlines) {
  EXPECT_EQ(Escape_Newlines("a\nb"), "a\\nb");
  EXPECT_EQ(Escape_Newlines(Unescape_Newlines("a\\nb")), "a\\nb");
  EXPECT_EQ(Escape_Newlines("plain"), "plain");
  EXPECT_EQ(Escape_Newlines(""), "");
  EXPECT_EQ(Escape_Newlines("\n\n"), "\\n\\n");
}

TEST(Text, AllocateZeroed) {
  auto block = Allocate_Zeroed(17);
  ASSERT_EQ(block.size(), 17u);
  for (unsigned char byte : block) EXPECT_EQ(byte, 0);
  EXPECT_TRUE(Allocate_Zeroed(0).empty());
}

}  // namespace
}  // namespace kx
