#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kx {

// Finds a routine's location label by the routine's index and the number of
// the label's name among the operand texts. One table of 16-byte slots holds
// the labels of every routine: a script of a million labels would otherwise
// spend a name table on each of its routines.
template <typename Label>
class LabelIndex {
 public:
  LabelIndex() = default;
  LabelIndex(const LabelIndex&) = delete;
  LabelIndex& operator=(const LabelIndex&) = delete;

  // Adds `label`; false (and nothing added) when the routine has a label of that name already.
  bool Insert(std::int32_t routine, std::int32_t name, const Label& label) {
    if ((size_ + 1) * 4 > slots_.size() * 3) Grow();
    const std::uint64_t key = Key(routine, name);
    for (std::size_t i = Hash(key) & Mask();; i = (i + 1) & Mask()) {
      Slot& slot = slots_[i];
      if (slot.label == nullptr) {
        slot = {key, &label};
        ++size_;
        return true;
      }
      if (slot.key == key) return false;
    }
  }

  // The label, or nullptr.
  const Label* Find(std::int32_t routine, std::int32_t name) const {
    if (size_ == 0) return nullptr;
    const std::uint64_t key = Key(routine, name);
    for (std::size_t i = Hash(key) & Mask();; i = (i + 1) & Mask()) {
      const Slot& slot = slots_[i];
      if (slot.label == nullptr) return nullptr;
      if (slot.key == key) return slot.label;
    }
  }

 private:
  struct Slot {
    std::uint64_t key = 0;
    const Label* label = nullptr;  // nullptr: free
  };

  static std::uint64_t Key(std::int32_t routine, std::int32_t name) {
    return std::uint64_t{static_cast<std::uint32_t>(routine)} << 32 | static_cast<std::uint32_t>(name);
  }
  // A 64-bit finaliser, so that the low bits that pick the slot depend on every bit of the key.
  static std::size_t Hash(std::uint64_t key) {
    key ^= key >> 33;
    key *= 0xff51afd7ed558ccdu;
    key ^= key >> 33;
    return static_cast<std::size_t>(key);
  }
  std::size_t Mask() const { return slots_.size() - 1; }

  // Doubles the table (at least 1024 slots) and places every label again.
  void Grow() {
    std::vector<Slot> old(slots_.empty() ? 1024 : slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& slot : old) {
      if (slot.label == nullptr) continue;
      std::size_t i = Hash(slot.key) & Mask();
      while (slots_[i].label != nullptr) i = (i + 1) & Mask();
      slots_[i] = slot;
    }
  }

  std::vector<Slot> slots_;  // a power of two in size, at most three quarters full
  std::size_t size_ = 0;
};

}  // namespace kx
