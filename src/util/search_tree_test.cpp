#include "util/search_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kx {
namespace {

struct Key {
  int value = 0;
  std::string tag;
  std::vector<std::string>* released = nullptr;
  ~Key() {
    if (released) released->push_back(tag);
  }
};

// What the catalogue's distinct keys never show: equal items follow earlier
// ones, Next of an item that is not the cursor's searches for it, and the
// items are released in post-order.
TEST(SearchTree, OrdersEqualItemsAfterEarlierOnesAndReleasesInPostOrder) {
  std::vector<std::string> released, walk;
  {
    SearchTree<Key> tree([](const Key& a, const Key& b) { return a.value - b.value; });
    for (const char* tag : {"50", "20", "70", "10", "30", "25", "30b"})
      tree.Insert(std::make_unique<Key>(Key{std::stoi(tag), tag, &released}));
    for (Key* key = tree.First(); key != nullptr; key = tree.Next(*key)) walk.push_back(key->tag);
    EXPECT_EQ(tree.Last()->tag, "70");
    tree.First();
    EXPECT_EQ(tree.Next(Key{25, "", nullptr})->tag, "30");
    released.clear();  // the temporaries the keys were made from
  }
  EXPECT_EQ(walk, (std::vector<std::string>{"10", "20", "25", "30", "30b", "50", "70"}));
  EXPECT_EQ(released, (std::vector<std::string>{"10", "25", "30b", "30", "20", "70", "50"}));
}

}  // namespace
}  // namespace kx
