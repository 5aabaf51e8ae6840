#include "util/linked_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kx {
namespace {

struct Item {
  std::string name;
  int tag = 0;
  std::vector<std::string>* released = nullptr;
  ~Item() {
    if (released) released->push_back(name);
  }
};

int Compare_Names(const Item& a, const Item& b) { return a.name.compare(b.name) < 0 ? -1 : a.name == b.name ? 0 : 1; }

std::unique_ptr<Item> Make(const std::string& name, int tag = 0, std::vector<std::string>* released = nullptr) {
  auto item = std::make_unique<Item>();
  item->name = name;
  item->tag = tag;
  item->released = released;
  return item;
}

TEST(LinkedList, EmptyListYieldsNothing) {
  LinkedList<Item> list(Compare_Names);
  Item key;
  key.name = "P";
  EXPECT_EQ(list.First(), nullptr);
  EXPECT_EQ(list.Find(key), nullptr);
  EXPECT_EQ(list.Next(key), nullptr);
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(list.begin(), list.end());
}

TEST(LinkedList, KeepsInsertionOrderAndReleasesInIt) {
  std::vector<std::string> released;
  {
    LinkedList<Item> list(Compare_Names);
    for (const char* name : {"Q", "P", "R"}) list.Add(Make(name, 0, &released));
    EXPECT_EQ(list.count(), 3);

    std::vector<std::string> by_next;
    for (Item* item = list.First(); item != nullptr; item = list.Next(*item)) by_next.push_back(item->name);
    std::vector<std::string> by_iterator;
    for (const Item& item : list) by_iterator.push_back(item.name);
    EXPECT_EQ(by_next, (std::vector<std::string>{"Q", "P", "R"}));
    EXPECT_EQ(by_iterator, by_next);
    EXPECT_TRUE(released.empty());
  }
  EXPECT_EQ(released, (std::vector<std::string>{"Q", "P", "R"}));
}

TEST(LinkedList, FindYieldsTheEarlierOfEqualItems) {
  LinkedList<Item> list(Compare_Names);
  list.Add(Make("A", 1));
  list.Add(Make("B", 2));
  list.Add(Make("A", 3));
  Item key;
  key.name = "A";
  ASSERT_NE(list.Find(key), nullptr);
  EXPECT_EQ(list.Find(key)->tag, 1);
  Item missing;
  missing.name = "Z";
  EXPECT_EQ(list.Find(missing), nullptr);
  EXPECT_EQ(list.Next(missing), nullptr);
}

TEST(LinkedList, StoredItemsKeepTheirAddressWhileTheListGrows) {
  LinkedList<Item> list(Compare_Names);
  Item& first = list.Add(Make("first"));
  for (int i = 0; i < 1000; ++i) list.Add(Make("n" + std::to_string(i)));
  EXPECT_EQ(list.First(), &first);
  EXPECT_EQ(list.Last()->name, "n999");
}

}  // namespace
}  // namespace kx
