#pragma once

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

namespace kx {

// An owning list kept in insertion order.
//
// Items are compared by a callback that returns 0 for equal items; only the
// zero/non-zero result matters. Find yields the first equal item. Items are
// released in insertion order when the list is destroyed. Pointers to items
// stay valid for the life of the list.
template <typename T>
class LinkedList {
 public:
  using CompareFn = int (*)(const T& a, const T& b);

  explicit LinkedList(CompareFn compare) : compare_(compare) {}
  ~LinkedList() { Clear(); }

  LinkedList(const LinkedList&) = delete;
  LinkedList& operator=(const LinkedList&) = delete;

  // Appends the item at the tail; no duplicate check. Returns the stored item.
  T& Add(std::unique_ptr<T> item) {
    items_.push_back(std::move(item));
    return *items_.back();
  }

  // The first item for which compare(item, key) is 0, or nullptr.
  T* Find(const T& key) const {
    for (const auto& item : items_)
      if (compare_(*item, key) == 0) return item.get();
    return nullptr;
  }

  T* First() const { return items_.empty() ? nullptr : items_.front().get(); }
  T* Last() const { return items_.empty() ? nullptr : items_.back().get(); }

  int count() const { return static_cast<int>(items_.size()); }
  bool empty() const { return items_.empty(); }

  // Releases every item, in insertion order.
  void Clear() {
    for (auto& item : items_) item.reset();
    items_.clear();
  }

  class const_iterator {
   public:
    using Inner = typename std::vector<std::unique_ptr<T>>::const_iterator;
    explicit const_iterator(Inner it) : it_(it) {}
    T& operator*() const { return **it_; }
    T* operator->() const { return it_->get(); }
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
  std::vector<std::unique_ptr<T>> items_;
};

}  // namespace kx
