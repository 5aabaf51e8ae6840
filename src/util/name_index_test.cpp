#include "util/name_index.h"

#include <gtest/gtest.h>

#include <string>

namespace kx {
namespace {

struct Named {
  std::string name;
};

// Names that differ in letter case, by a trailing zero byte or only after the
// 16 bytes a slot holds are told apart; a second item of a name is refused.
// Eight names: a table of eight slots would be full, and a search for a missing name would not end.
TEST(NameIndex, FindsEachNameExactlyAndKeepsTheFirstOfAName) {
  const Named items[] = {
      {"a"},  {"A"}, {std::string("a\0", 2)}, {"exactly_16_bytes"}, {"exactly_16_bytesX"}, {""},
      {"ab"}, {"ba"}};
  NameIndex<Named, &Named::name> index;
  for (const Named& item : items) EXPECT_TRUE(index.Insert(item)) << item.name;
  EXPECT_EQ(index.Find("exactly_16_byte"), nullptr);
  const Named again{"a"};
  EXPECT_FALSE(index.Insert(again));
  for (const Named& item : items) EXPECT_EQ(index.Find(item.name), &item) << item.name;
}

}  // namespace
}  // namespace kx
