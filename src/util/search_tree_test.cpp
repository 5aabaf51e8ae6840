#include "util/search_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kx {
namespace {

struct Key {
  explicit Key(int v = 0) : value(v) {}
  int value = 0;
  std::string tag;
  std::vector<std::string>* released = nullptr;
  ~Key() {
    if (released) released->push_back(tag);
  }
};

int Compare_Values(const Key& a, const Key& b) { return a.value < b.value ? -1 : a.value > b.value ? 1 : 0; }

std::vector<std::string> Walk_With_Cursor(SearchTree<Key>& tree) {
  std::vector<std::string> tags;
  for (Key* key = tree.First(); key != nullptr; key = tree.Next(*key)) tags.push_back(key->tag);
  return tags;
}

TEST(SearchTree, OrdersEqualItemsAfterEarlierOnesFindsAndReleasesInPostOrder) {
  std::vector<std::string> released;
  {
    SearchTree<Key> tree(Compare_Values);
    const Key missing(99), thirty(30), twenty_five(25), eighty(80);
    EXPECT_EQ(tree.First(), nullptr);
    EXPECT_EQ(tree.Last(), nullptr);
    EXPECT_EQ(tree.Find(missing), nullptr);
    EXPECT_EQ(tree.begin(), tree.end());
    for (const char* tag : {"50", "20", "70", "10", "30", "60", "80", "25", "30b"}) {
      auto key = std::make_unique<Key>(std::stoi(tag));
      key->tag = tag;
      key->released = &released;
      tree.Insert(std::move(key));
    }
    const std::vector<std::string> in_order = {"10", "20", "25", "30", "30b", "50", "60", "70", "80"};
    EXPECT_EQ(Walk_With_Cursor(tree), in_order);
    std::vector<std::string> by_iterator;
    for (const Key& key : tree) by_iterator.push_back(key.tag);
    EXPECT_EQ(by_iterator, in_order);
    EXPECT_EQ(tree.Last()->tag, "80");
    EXPECT_EQ(tree.Find(missing), nullptr);
    EXPECT_EQ(tree.Find(thirty)->tag, "30");

    tree.First();  // cursor on 10; Next of another item falls back to a search
    EXPECT_EQ(tree.Next(twenty_five)->tag, "30");
    EXPECT_EQ(tree.Next(eighty), nullptr);
    EXPECT_EQ(Walk_With_Cursor(tree), in_order);  // the cursor cleared by the end, a walk starts over
  }
  EXPECT_EQ(released, (std::vector<std::string>{"10", "25", "30b", "30", "20", "60", "80", "70", "50"}));
}

// Sorted insertion makes a list-shaped tree: walking and releasing it must
// not recurse once per item.
TEST(SearchTree, DegenerateTreeOfManyItemsIsWalkedAndReleased) {
  SearchTree<Key> tree(Compare_Values);
  const int count = 10000;
  for (int i = 0; i < count; ++i) tree.Insert(std::make_unique<Key>(i));
  int seen = 0;
  for (const Key& key : tree) EXPECT_EQ(key.value, seen++);
  EXPECT_EQ(seen, count);
}

}  // namespace
}  // namespace kx
