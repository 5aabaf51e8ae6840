#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <utility>

namespace kx {

// An owning list kept in insertion order.
//
// Items are compared by a callback that returns 0 for equal items; only the
// zero/non-zero result matters. Find yields the first equal item. Items are
// released in insertion order when the list is destroyed. Pointers to items
// stay valid for the life of the list. The items lie in blocks of many, not
// in a heap block each: a script may have a hundred thousand routines.
template <typename T>
class LinkedList {
 public:
  using CompareFn = int (*)(const T& a, const T& b);

  explicit LinkedList(CompareFn compare) : compare_(compare) {}
  ~LinkedList() { Clear(); }

  LinkedList(const LinkedList&) = delete;
  LinkedList& operator=(const LinkedList&) = delete;

  // Appends the item at the tail; no duplicate check. Returns the stored item.
  T& Add(T item) { return items_.push_back(std::move(item)), items_.back(); }
  T& Add(std::unique_ptr<T> item) { return Add(std::move(*item)); }

  // The first item for which compare(item, key) is 0, or nullptr.
  T* Find(const T& key) const {
    for (T& item : items_)
      if (compare_(item, key) == 0) return &item;
    return nullptr;
  }

  T* First() const { return items_.empty() ? nullptr : &items_.front(); }
  T* Last() const { return items_.empty() ? nullptr : &items_.back(); }

  int count() const { return static_cast<int>(items_.size()); }
  bool empty() const { return items_.empty(); }

  // Releases every item, in insertion order.
  void Clear() {
    while (!items_.empty()) items_.pop_front();
  }

  class const_iterator {
   public:
    using Inner = typename std::deque<T>::iterator;
    explicit const_iterator(Inner it) : it_(it) {}
    T& operator*() const { return *it_; }
    T* operator->() const { return &*it_; }
    const_iterator& operator++() {
      ++it_;
      return *this;
    }
    bool operator==(const const_iterator& other) const { return it_ == other.it_; }
    bool operator!=(const const_iterator& other) const { return it_ != other.it_; }

   private:
    Inner it_;
  };

  const_iterator begin() const { return const_iterator(items_.begin()); }
  const_iterator end() const { return const_iterator(items_.end()); }

 private:
  CompareFn compare_;
  // A const list hands out its items as changeable, as it did when it held
  // them by pointer.
  mutable std::deque<T> items_;
};

}  // namespace kx
