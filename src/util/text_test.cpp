#include "util/text.h"

#include <gtest/gtest.h>

namespace kx {
namespace {

TEST(Text, NewlineEscapesAndZeroedBlocks) {
  const std::pair<std::string, std::string> unescaped[] = {
      {"a\\nb", "a\nb"}, {"ends in \\", "ends in \\"}, {"\\N", "\\N"}, {"\\\\n", "\\\n"}, {"\\n\\n", "\n\n"}};
  for (const auto& [input, expected] : unescaped) EXPECT_EQ(Unescape_Newlines(input), expected) << input;
  EXPECT_EQ(Escape_Newlines("a\nb\n\n"), "a\\nb\\n\\n");
  EXPECT_EQ(Allocate_Zeroed(17), std::vector<unsigned char>(17, 0));
}

}  // namespace
}  // namespace kx
