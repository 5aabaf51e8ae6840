#include "config/template_config.h"

#include <gtest/gtest.h>

#include <string>

namespace kx {
namespace {

// The list finds entries by this comparison: equal means byte for byte, letter case included.
TEST(CompareTemplateNames, EqualMeansByteForByte) {
  const std::pair<const char*, const char*> equal[] = {{"Standard", "Standard"}, {"", ""}, {"\xE9", "\xE9"}};
  const std::pair<const char*, const char*> different[] = {{"Large", "large"}, {"ab", "abc"}, {"abc", "ab"},
                                                           {"", "a"},          {"\xE9", "z"}, {"abd", "abc"}};
  TemplateConfig a, b;
  for (const auto& [x, y] : equal) {
    a.name = x;
    b.name = y;
    EXPECT_EQ(Compare_Template_Names(a, b), 0) << x << " / " << y;
  }
  for (const auto& [x, y] : different) {
    a.name = x;
    b.name = y;
    EXPECT_NE(Compare_Template_Names(a, b), 0) << x << " / " << y;
  }
}

}  // namespace
}  // namespace kx
