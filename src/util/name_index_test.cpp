#include "util/name_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kx {
namespace {

struct Named {
  std::string name;
};

// Names that differ in letter case, by a trailing zero byte or only after the
// bytes a slot holds (11 or 27) are told apart; a second item of a name is
// refused. Eight names: a table of eight slots would be full, and a search
// for a missing name would not end.
template <std::size_t kSlotBytes>
void Expect_Each_Name_Found_Exactly(const std::string& head) {
  const Named items[] = {{"a"}, {"A"}, {std::string("a\0", 2)}, {head}, {head + "X"}, {""}, {"ab"}, {"ba"}};
  NameIndex<Named, &Named::name, kSlotBytes> index;
  for (const Named& item : items) EXPECT_TRUE(index.Insert(item)) << item.name;
  EXPECT_EQ(index.Find(head.substr(1)), nullptr);
  const Named again{"a"};
  EXPECT_FALSE(index.Insert(again));
  for (const Named& item : items) EXPECT_EQ(index.Find(item.name), &item) << item.name;
}

TEST(NameIndex, FindsEachNameExactlyAndKeepsTheFirstOfAName) {
  Expect_Each_Name_Found_Exactly<16>("exactly_11_");
  Expect_Each_Name_Found_Exactly<32>("exactly_27_bytes_long_here_");
}

// Each item's tag comes back with it, also after the table has grown many
// times over and for names longer than a slot holds, also names of 254
// bytes and more, whose slots keep no length of their own; a missing name
// has none.
TEST(NameIndex, KeepsEachItemsTagThroughGrowth) {
  std::vector<Named> items;
  for (int i = 0; i < 1000; ++i)
    items.push_back({(i % 2 == 0 ? "n" : "a_name_longer_than_sixteen_") + std::to_string(i)});
  for (const std::size_t length : {253, 254, 255, 300}) items.push_back({std::string(length, 'x')});
  NameIndex<Named, &Named::name> index;
  for (std::size_t i = 0; i < items.size(); ++i)
    EXPECT_TRUE(index.Insert(items[i], static_cast<std::uint32_t>(i * 7)));
  for (std::size_t i = 0; i < items.size(); ++i) {
    const auto found = index.Find_Tagged(items[i].name);
    EXPECT_TRUE(found.found) << items[i].name;
    EXPECT_EQ(found.tag, i * 7) << items[i].name;
    EXPECT_EQ(index.Find(items[i].name), &items[i]) << items[i].name;
  }
  const auto missing = index.Find_Tagged("n1");
  EXPECT_FALSE(missing.found);
  EXPECT_EQ(missing.tag, 0u);
}

}  // namespace
}  // namespace kx
