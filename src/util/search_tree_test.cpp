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

std::unique_ptr<Key> Make(int value, std::string tag = {}, std::vector<std::string>* released = nullptr) {
  auto key = std::make_unique<Key>(value);
  key->tag = std::move(tag);
  key->released = released;
  return key;
}

std::vector<std::string> Walk_With_Cursor(SearchTree<Key>& tree) {
  std::vector<std::string> tags;
  for (Key* key = tree.First(); key != nullptr; key = tree.Next(*key)) tags.push_back(key->tag);
  return tags;
}

TEST(SearchTree, EmptyTreeYieldsNothing) {
  SearchTree<Key> tree(Compare_Values);
  Key probe(1);
  EXPECT_EQ(tree.First(), nullptr);
  EXPECT_EQ(tree.Last(), nullptr);
  EXPECT_EQ(tree.Find(probe), nullptr);
  EXPECT_EQ(tree.begin(), tree.end());
}

TEST(SearchTree, EqualItemsFollowEarlierOnes) {
  SearchTree<Key> tree(Compare_Values);
  tree.Insert(Make(5, "5"));
  tree.Insert(Make(3, "3a"));
  tree.Insert(Make(8, "8"));
  tree.Insert(Make(3, "3b"));
  EXPECT_EQ(Walk_With_Cursor(tree), (std::vector<std::string>{"3a", "3b", "5", "8"}));
  std::vector<std::string> by_iterator;
  for (const Key& key : tree) by_iterator.push_back(key.tag);
  EXPECT_EQ(by_iterator, (std::vector<std::string>{"3a", "3b", "5", "8"}));
  EXPECT_EQ(tree.Last()->tag, "8");
}

TEST(SearchTree, FindAndNextAwayFromTheCursor) {
  SearchTree<Key> tree(Compare_Values);
  for (int value : {50, 20, 70, 10, 30, 60, 80, 25}) tree.Insert(Make(value, std::to_string(value)));
  Key missing(99);
  EXPECT_EQ(tree.Find(missing), nullptr);
  Key thirty(30);
  ASSERT_NE(tree.Find(thirty), nullptr);
  EXPECT_EQ(tree.Find(thirty)->tag, "30");

  tree.First();  // cursor on 10; Next of another item falls back to a search
  Key twenty_five(25);
  EXPECT_EQ(tree.Next(twenty_five)->tag, "30");
  EXPECT_EQ(tree.Next(thirty)->tag, "50");
  Key eighty(80);
  EXPECT_EQ(tree.Next(eighty), nullptr);
  // With the cursor cleared by the end, a walk starts over correctly.
  EXPECT_EQ(Walk_With_Cursor(tree), (std::vector<std::string>{"10", "20", "25", "30", "50", "60", "70", "80"}));
}

TEST(SearchTree, ReleasesInPostOrder) {
  std::vector<std::string> released;
  {
    SearchTree<Key> tree(Compare_Values);
    for (int value : {5, 3, 8, 1, 4, 9}) tree.Insert(Make(value, std::to_string(value), &released));
  }
  EXPECT_EQ(released, (std::vector<std::string>{"1", "4", "3", "9", "8", "5"}));
}

TEST(SearchTree, DegenerateTreeOfManyItemsIsWalkedAndReleased) {
  SearchTree<Key> tree(Compare_Values);
  const int count = 10000;  // sorted insertion makes a list-shaped tree
  for (int i = 0; i < count; ++i) tree.Insert(Make(i));
  int seen = 0;
  for (const Key& key : tree) EXPECT_EQ(key.value, seen++);
  EXPECT_EQ(seen, count);
}

}  // namespace
}  // namespace kx
