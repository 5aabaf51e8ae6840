#include "util/name_index.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>

namespace kx {
namespace {

struct Named {
  std::string name;
  int number = 0;
};

using Index = NameIndex<Named, &Named::name>;

TEST(NameIndex, FindsEachNameExactlyAndKeepsTheFirstOfAName) {
  // Names of every length around the 16 bytes a slot holds itself, names that
  // differ only after them, in letter case, or by a trailing zero byte.
  const std::string long_name(40, 'q');
  std::deque<Named> items = {{"", 1},
                             {"a", 2},
                             {"A", 3},
                             {"unit_12", 4},
                             {"exactly_16_bytes", 5},
                             {"exactly_16_bytesX", 6},
                             {long_name, 7},
                             {long_name + "r", 8},
                             {std::string("ab\0", 3), 9},
                             {"ab", 10}};
  Index index;
  EXPECT_EQ(index.Find("a"), nullptr);
  for (const Named& item : items) EXPECT_TRUE(index.Insert(item)) << item.name;
  const Named again{"unit_12", 99};
  EXPECT_FALSE(index.Insert(again));
  EXPECT_EQ(index.size(), items.size());

  for (const Named& item : items) {
    const Named* found = index.Find(item.name);
    ASSERT_NE(found, nullptr) << item.name;
    EXPECT_EQ(found, &item) << item.name;
  }
  for (const char* missing : {"b", "unit_1", "unit_120", "exactly_16_byte", "Unit_12"})
    EXPECT_EQ(index.Find(missing), nullptr) << missing;
  EXPECT_EQ(index.Find(long_name.substr(0, 39) + "r"), nullptr);

  index.Clear();
  EXPECT_EQ(index.size(), 0u);
  EXPECT_EQ(index.Find("a"), nullptr);
}

TEST(NameIndex, GrowsWithoutLosingItems) {
  std::deque<Named> items;
  Index index;
  for (int i = 0; i < 50000; ++i) {
    items.push_back({"name_" + std::to_string(i), i});
    ASSERT_TRUE(index.Insert(items.back()));
  }
  for (int i = 0; i < 50000; ++i) {
    const Named* found = index.Find("name_" + std::to_string(i));
    ASSERT_NE(found, nullptr) << i;
    EXPECT_EQ(found->number, i);
  }
  EXPECT_EQ(index.Find("name_50000"), nullptr);
}

}  // namespace
}  // namespace kx
