#include "util/linked_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kx {
namespace {

struct Item {
  std::string name;
  std::vector<std::string>* released = nullptr;
  ~Item() {
    if (released) released->push_back(name);
  }
};

// No client's list holds equal items: Find yields the first of them. Items
// are released in insertion order.
TEST(LinkedList, FindsTheFirstOfEqualItemsAndReleasesInInsertionOrder) {
  std::vector<std::string> released;
  {
    LinkedList<Item> list([](const Item& a, const Item& b) { return a.name == b.name ? 0 : 1; });
    Item& first = list.Add(std::make_unique<Item>(Item{"A", &released}));
    for (const char* name : {"B", "C", "A"}) list.Add(std::make_unique<Item>(Item{name, &released}));
    EXPECT_EQ(list.Find(Item{"A", nullptr}), &first);
    released.clear();  // the temporaries the items were made from
  }
  EXPECT_EQ(released, (std::vector<std::string>{"A", "B", "C", "A"}));
}

}  // namespace
}  // namespace kx
