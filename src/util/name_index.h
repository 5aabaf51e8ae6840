#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace kx {

// Finds items by a name that each item holds itself (the member `Key`),
// exactly and case-sensitively. The index borrows the items: they must stay
// in place, with their names unchanged, while it is used.
//
// Open addressing over one flat table of slots. A slot keeps a name of up to
// 16 bytes itself, so finding such a name reads one slot and not the item;
// only longer names are compared through the item. A slot also keeps a
// 32-bit tag that the caller gives with the item (Find_Tagged), so that what
// a caller needs most of an item can be had without reading the item: on a
// table of ten thousand names, reading the item is a second cache miss. An
// index holds each name once: Insert keeps the item that came first.
template <typename T, std::string T::*Key>
class NameIndex {
 public:
  NameIndex() = default;
  NameIndex(const NameIndex&) = delete;
  NameIndex& operator=(const NameIndex&) = delete;

  // Adds `item` under its name; false (and nothing added) when an item of
  // that name is indexed already.
  bool Insert(const T& item, std::uint32_t tag = 0) {
    if ((size_ + 1) * 4 > slots_.size() * 3) Grow();
    const Probe probe(item.*Key);
    for (std::size_t i = probe.hash & Mask();; i = (i + 1) & Mask()) {
      Slot& slot = slots_[i];
      if (slot.item == nullptr) {
        slot.length = static_cast<std::uint32_t>(probe.name.size());
        slot.tag = tag;
        slot.head[0] = probe.head[0];
        slot.head[1] = probe.head[1];
        slot.item = &item;
        ++size_;
        return true;
      }
      if (Holds(slot, probe)) return false;
    }
  }

  // The item named `name`, or nullptr.
  const T* Find(std::string_view name) const { return Find_Tagged(name).item; }

  // The item named `name` and the tag it was inserted with; item nullptr
  // (and tag 0) when missing.
  struct Found {
    const T* item = nullptr;
    std::uint32_t tag = 0;
  };
  Found Find_Tagged(std::string_view name) const {
    if (size_ == 0) return {};
    const Probe probe(name);
    for (std::size_t i = probe.hash & Mask();; i = (i + 1) & Mask()) {
      const Slot& slot = slots_[i];
      if (slot.item == nullptr) return {};
      if (Holds(slot, probe)) return {slot.item, slot.tag};
    }
  }

  std::size_t size() const { return size_; }

  void Clear() {
    slots_.clear();
    size_ = 0;
  }

 private:
  static constexpr std::size_t kHeadSize = 16;

  // The name's hash is not kept: Grow computes it again from the item.
  struct alignas(32) Slot {
    std::uint32_t length = 0;
    std::uint32_t tag = 0;
    const T* item = nullptr;         // nullptr: free
    std::uint64_t head[2] = {0, 0};  // the name's first 16 bytes, zero-padded
  };

  // A name to look for, with its hash and its zero-padded head. The hash
  // takes the name eight bytes at a time: names are looked up once per
  // operand of a million steps, and a byte-at-a-time hash was most of a lookup.
  struct Probe {
    explicit Probe(std::string_view text) : name(text) {
      const std::size_t size = text.size();
      if (size > 0) std::memcpy(head, text.data(), std::min(size, kHeadSize));
      std::uint64_t value = Mix(size * 0x9E3779B97F4A7C15u ^ head[0]);
      value = Mix(value ^ head[1]);
      for (std::size_t at = kHeadSize; at < size; at += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + at, std::min<std::size_t>(size - at, 8));
        value = Mix(value ^ word);
      }
      hash = static_cast<std::uint32_t>(value);
    }
    std::string_view name;
    std::uint32_t hash = 0;
    std::uint64_t head[2] = {0, 0};
  };

  // A multiply and two shifts, so that the low bits that pick the slot
  // depend on every bit of the word.
  static std::uint64_t Mix(std::uint64_t value) {
    value ^= value >> 32;
    value *= 0xD6E8FEB86659FD93u;
    return value ^ (value >> 32);
  }

  static bool Holds(const Slot& slot, const Probe& probe) {
    if (slot.length != probe.name.size() || slot.head[0] != probe.head[0] || slot.head[1] != probe.head[1])
      return false;
    return probe.name.size() <= kHeadSize || std::string_view(slot.item->*Key) == probe.name;
  }

  std::size_t Mask() const { return slots_.size() - 1; }

  // Doubles the table (at least 8 slots) and places every item again.
  void Grow() {
    std::vector<Slot> old(slots_.empty() ? 8 : slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& slot : old) {
      if (slot.item == nullptr) continue;
      std::size_t i = Probe(slot.item->*Key).hash & Mask();
      while (slots_[i].item != nullptr) i = (i + 1) & Mask();
      slots_[i] = slot;
    }
  }

  std::vector<Slot> slots_;  // a power of two in size, at most three quarters full
  std::size_t size_ = 0;
};

}  // namespace kx
