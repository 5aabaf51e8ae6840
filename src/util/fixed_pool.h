#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <vector>

namespace kx {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kPoolBypassed = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kPoolBypassed = true;
#else
inline constexpr bool kPoolBypassed = false;
#endif
#else
inline constexpr bool kPoolBypassed = false;
#endif

// Memory for objects of one size that are made and released by the hundred
// thousand, such as the records of a script's steps. Objects are cut from
// blocks of kBlockSize bytes with no header each, and a released object goes
// onto a free list with no merging; the blocks are given back when the last
// object is released. The general heap would spend a header, a search and a
// merge on every one of them, and a build of a million steps releases them
// all at once.
//
// A pool belongs to one thread: its objects are made and released there,
// and all of them before the pool is destroyed. Requests of another size go
// to the global heap.
template <std::size_t Size, std::size_t Align>
class FixedPool {
 public:
  static constexpr std::size_t kBlockSize = std::size_t{1} << 20;
  // Room for one object: its size, rounded up to its alignment.
  static constexpr std::size_t kSlotSize =
      ((Size > sizeof(void*) ? Size : sizeof(void*)) + Align - 1) / Align * Align;
  static_assert(Align <= alignof(std::max_align_t) && kSlotSize <= kBlockSize);

  FixedPool() = default;
  FixedPool(const FixedPool&) = delete;
  FixedPool& operator=(const FixedPool&) = delete;

  void* Allocate(std::size_t size) {
    if (size != Size) return ::operator new(size);
    void* object = free_;
    if (free_ != nullptr) {
      free_ = free_->next;
    } else {
      if (next_ == end_) {
        blocks_.push_back(std::make_unique_for_overwrite<std::byte[]>(kBlockSize));
        next_ = blocks_.back().get();
        end_ = next_ + kBlockSize / kSlotSize * kSlotSize;
      }
      object = next_;
      next_ += kSlotSize;
    }
    ++live_;
    return object;
  }

  void Release(void* object, std::size_t size) noexcept {
    if (size != Size) {
      ::operator delete(object);
      return;
    }
    free_ = ::new (object) Free_Slot{free_};
    if (--live_ == 0) {
      blocks_.clear();
      next_ = end_ = nullptr;
      free_ = nullptr;
    }
  }

 private:
  struct Free_Slot {
    Free_Slot* next;
  };

  std::vector<std::unique_ptr<std::byte[]>> blocks_;
  std::byte* next_ = nullptr;  // the next never-used slot of the newest block
  std::byte* end_ = nullptr;
  Free_Slot* free_ = nullptr;  // released slots, the latest first
  std::size_t live_ = 0;
};

// The pool of T for the calling thread.
template <typename T>
FixedPool<sizeof(T), alignof(T)>& Pool_Of() {
  thread_local FixedPool<sizeof(T), alignof(T)> pool;
  return pool;
}

// Memory for one T from the calling thread's pool: what a type's own
// operator new and operator delete call. Under the address sanitizer it
// comes from the global heap instead, so that misuse of the objects is caught.
template <typename T>
void* Pool_Allocate(std::size_t size) {
  if constexpr (kPoolBypassed) return ::operator new(size);
  return Pool_Of<T>().Allocate(size);
}

template <typename T>
void Pool_Release(void* object, std::size_t size) noexcept {
  if constexpr (kPoolBypassed)
    ::operator delete(object);
  else
    Pool_Of<T>().Release(object, size);
}

}  // namespace kx
