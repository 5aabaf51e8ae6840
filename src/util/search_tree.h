#pragma once

#include <memory>
#include <utility>

namespace kx {

// An owning, unbalanced binary search tree ordered by a compare callback
// (negative, zero or positive). Equal items go right, so they follow earlier
// equal items in iteration order. Items are released in post-order when the
// tree is destroyed.
//
// First/Last/Next move a cursor, so a forward walk First, Next(item), ...
// costs no search; Next with an item that is not the cursor's falls back to
// a Find walk. begin()/end() walk in order without touching the cursor.
template <typename T>
class SearchTree {
 private:
  struct Node {
    std::unique_ptr<T> item;
    Node* parent = nullptr;
    std::unique_ptr<Node> left;
    std::unique_ptr<Node> right;
  };

 public:
  using CompareFn = int (*)(const T& a, const T& b);

  explicit SearchTree(CompareFn compare) : compare_(compare) {}
  ~SearchTree() { Clear(); }

  SearchTree(const SearchTree&) = delete;
  SearchTree& operator=(const SearchTree&) = delete;

  // Places the item by compare; returns the stored item.
  T& Insert(std::unique_ptr<T> item) {
    auto node = std::make_unique<Node>();
    node->item = std::move(item);
    Node* parent = nullptr;
    for (Node* walk = root_.get(); walk != nullptr;) {
      parent = walk;
      walk = compare_(*node->item, *walk->item) < 0 ? walk->left.get() : walk->right.get();
    }
    node->parent = parent;
    T& stored = *node->item;
    if (parent == nullptr)
      root_ = std::move(node);
    else if (compare_(stored, *parent->item) < 0)
      parent->left = std::move(node);
    else
      parent->right = std::move(node);
    return stored;
  }

  // Descends by compare(key, node item); nullptr when not found.
  T* Find(const T& key) const {
    Node* node = FindNode(key);
    return node ? node->item.get() : nullptr;
  }

  T* First() {
    cursor_ = Leftmost(root_.get());
    return cursor_ ? cursor_->item.get() : nullptr;
  }

  T* Last() {
    Node* node = root_.get();
    while (node && node->right) node = node->right.get();
    cursor_ = node;
    return cursor_ ? cursor_->item.get() : nullptr;
  }

  // In-order successor of `item`; nullptr after the largest (the cursor then
  // holds nothing).
  T* Next(const T& item) {
    Node* node = cursor_;
    if (node == nullptr || compare_(*node->item, item) != 0) node = FindNode(item);
    cursor_ = node ? Successor(node) : nullptr;
    return cursor_ ? cursor_->item.get() : nullptr;
  }

  bool empty() const { return root_ == nullptr; }

  // Releases every item in post-order: left subtree, right subtree, node.
  void Clear() {
    cursor_ = nullptr;
    std::unique_ptr<Node> node = std::move(root_);
    // Iterative post-order, so a degenerate (list-shaped) tree cannot exhaust the stack.
    Node* walk = node.release();
    while (walk != nullptr) {
      if (walk->left) {
        walk = walk->left.release();
      } else if (walk->right) {
        walk = walk->right.release();
      } else {
        Node* parent = walk->parent;
        std::unique_ptr<Node> leaf(walk);  // owned again, freed at the end of this branch
        leaf->item.reset();
        walk = parent;
      }
    }
  }

  class const_iterator {
   public:
    explicit const_iterator(const Node* node) : node_(node) {}
    T& operator*() const { return *node_->item; }
    T* operator->() const { return node_->item.get(); }
    const_iterator& operator++() {
      node_ = Successor(node_);
      return *this;
    }
    bool operator==(const const_iterator& other) const { return node_ == other.node_; }
    bool operator!=(const const_iterator& other) const { return node_ != other.node_; }

   private:
    const Node* node_;
  };

  const_iterator begin() const { return const_iterator(Leftmost(root_.get())); }
  const_iterator end() const { return const_iterator(nullptr); }

 private:
  Node* FindNode(const T& key) const {
    Node* node = root_.get();
    while (node != nullptr) {
      int order = compare_(key, *node->item);
      if (order == 0) return node;
      node = order < 0 ? node->left.get() : node->right.get();
    }
    return nullptr;
  }

  template <typename N>
  static N* Leftmost(N* node) {
    while (node && node->left) node = node->left.get();
    return node;
  }

  template <typename N>
  static N* Successor(N* node) {
    if (node->right) return Leftmost(node->right.get());
    N* parent = node->parent;
    while (parent && node == parent->right.get()) {
      node = parent;
      parent = parent->parent;
    }
    return parent;
  }

  CompareFn compare_;
  std::unique_ptr<Node> root_;
  Node* cursor_ = nullptr;
};

}  // namespace kx
