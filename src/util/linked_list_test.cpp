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

int Compare_Names(const Item& a, const Item& b) { return a.name == b.name ? 0 : 1; }

std::unique_ptr<Item> Make(const std::string& name, int tag, std::vector<std::string>* released = nullptr) {
  auto item = std::make_unique<Item>();
  item->name = name;
  item->tag = tag;
  item->released = released;
  return item;
}

TEST(LinkedList, KeepsInsertionOrderFindsTheEarlierOfEqualItemsAndReleasesInOrder) {
  std::vector<std::string> released;
  {
    LinkedList<Item> list(Compare_Names);
    const Item a{"A"}, z{"Z"};
    EXPECT_EQ(list.First(), nullptr);
    EXPECT_EQ(list.Find(a), nullptr);
    EXPECT_EQ(list.begin(), list.end());
    Item& first = list.Add(Make("A", 1, &released));
    for (const char* name : {"B", "A", "C"}) list.Add(Make(name, 2, &released));
    for (int i = 0; i < 1000; ++i) list.Add(Make("n" + std::to_string(i), 3));  // items keep their address
    EXPECT_EQ(list.First(), &first);
    EXPECT_EQ(list.Find(a)->tag, 1);
    EXPECT_EQ(list.Find(z), nullptr);
    EXPECT_EQ(list.count(), 1004);

    std::vector<std::string> by_iterator;
    for (const Item& item : list) by_iterator.push_back(item.name);
    EXPECT_EQ(std::vector<std::string>(by_iterator.begin(), by_iterator.begin() + 5),
              (std::vector<std::string>{"A", "B", "A", "C", "n0"}));
    EXPECT_TRUE(released.empty());
  }
  EXPECT_EQ(released, (std::vector<std::string>{"A", "B", "A", "C"}));
}

}  // namespace
}  // namespace kx
