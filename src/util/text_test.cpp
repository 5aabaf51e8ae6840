#include "util/text.h"

#include <gtest/gtest.h>

namespace kx {
namespace {

TEST(Text, NewlineEscapesAndZeroedBlocks) {
  const std::pair<std::string, std::string> unescaped[] = {
      {"a\\nb", "a\nb"},          {"", ""},          {"ends in \\", "ends in \\"},
      {"\\N stays", "\\N stays"}, {"\\\\n", "\\\n"}, {"\\n\\n", "\n\n"},
  };
  for (const auto& [input, expected] : unescaped) EXPECT_EQ(Unescape_Newlines(input), expected) << input;
  EXPECT_EQ(Escape_Newlines("a\nb\n\n"), "a\\nb\\n\\n");
  EXPECT_EQ(Escape_Newlines(""), "");

  auto block = Allocate_Zeroed(17);
  ASSERT_EQ(block.size(), 17u);
  for (unsigned char byte : block) EXPECT_EQ(byte, 0);
  EXPECT_TRUE(Allocate_Zeroed(0).empty());
}

}  // namespace
}  // namespace kx
