#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

namespace kx {

// Records that are made by the million and all released together, such as
// the steps of a script: they are appended one after another into chunks of
// kChunkRecords, and a record is written once, when it is added. A record
// never moves, needs no heap block of its own, and releasing the arena
// releases only its chunks (the records need no destructor). Chunks are
// taken without being cleared first: every byte of a record is written when
// it is added.
template <typename T>
class RecordArena {
 public:
  static constexpr std::size_t kChunkRecords = 4096;
  static_assert(std::is_trivially_destructible_v<T>, "records are released without a destructor");

  RecordArena() = default;
  RecordArena(const RecordArena&) = delete;
  RecordArena& operator=(const RecordArena&) = delete;

  // Appends a copy of `record`; returns the stored one.
  T& Add(const T& record) {
    if (size_ % kChunkRecords == 0) chunks_.push_back(std::make_unique_for_overwrite<Slot[]>(kChunkRecords));
    T* stored = ::new (chunks_.back()[size_ % kChunkRecords].bytes) T(record);
    ++size_;
    return *stored;
  }

  T& operator[](std::size_t index) {
    return *std::launder(reinterpret_cast<T*>(chunks_[index / kChunkRecords][index % kChunkRecords].bytes));
  }
  const T& operator[](std::size_t index) const {
    return *std::launder(
        reinterpret_cast<const T*>(chunks_[index / kChunkRecords][index % kChunkRecords].bytes));
  }

  std::size_t size() const { return size_; }

 private:
  struct Slot {
    alignas(T) std::byte bytes[sizeof(T)];
  };
  std::vector<std::unique_ptr<Slot[]>> chunks_;
  std::size_t size_ = 0;
};

// Records first to first + count - 1 of an arena, in the order they were added.
template <typename T>
class RecordRange {
 public:
  RecordRange() = default;
  RecordRange(const RecordArena<T>& arena, std::size_t first, std::size_t count)
      : arena_(&arena), first_(first), count_(count) {}

  int count() const { return static_cast<int>(count_); }
  const T& operator[](std::size_t index) const { return (*arena_)[first_ + index]; }
  bool empty() const { return count_ == 0; }

  class const_iterator {
   public:
    const_iterator(const RecordArena<T>* arena, std::size_t index) : arena_(arena), index_(index) {}
    const T& operator*() const { return (*arena_)[index_]; }
    const T* operator->() const { return &(*arena_)[index_]; }
    const_iterator& operator++() {
      ++index_;
      return *this;
    }
    bool operator==(const const_iterator& other) const { return index_ == other.index_; }
    bool operator!=(const const_iterator& other) const { return index_ != other.index_; }

   private:
    const RecordArena<T>* arena_;
    std::size_t index_;
  };

  const_iterator begin() const { return const_iterator(arena_, first_); }
  const_iterator end() const { return const_iterator(arena_, first_ + count_); }

 private:
  const RecordArena<T>* arena_ = nullptr;
  std::size_t first_ = 0;
  std::size_t count_ = 0;
};

}  // namespace kx
