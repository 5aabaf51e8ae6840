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
// Open addressing over one flat table of slots of `kSlotBytes`. A slot keeps
// a name of up to 11 bytes itself (27 in a slot of 32 bytes) and a 32-bit tag
// that the caller gives with the item (Find_Tagged), and the items lie in a
// table of their own beside it: on a table of ten thousand names every look
// is a cache miss, so a name that fits its slot is found, and its tag had,
// with one miss. Only longer names are compared through the item. Slots of
// 16 bytes suit short names such as symbols and labels, so that a large
// table takes half the cache; 32 bytes suit longer texts. An index holds
// each name once: Insert keeps the item that came first.
template <typename T, std::string T::*Key, std::size_t kSlotBytes = 16>
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
      if (slot.rest == 0) {
        slot = probe.slot;
        slot.tag = tag;
        items_[i] = &item;
        ++size_;
        return true;
      }
      if (Holds(i, probe)) return false;
    }
  }

  // The item named `name`, or nullptr.
  const T* Find(std::string_view name) const {
    const std::size_t at = Position(name);
    return at != kNowhere ? items_[at] : nullptr;
  }

  // Whether an item is named `name`, and the tag it was inserted with (0 when
  // none is); the item itself is not read.
  struct Found {
    bool found = false;
    std::uint32_t tag = 0;
  };
  Found Find_Tagged(std::string_view name) const {
    const std::size_t at = Position(name);
    return at != kNowhere ? Found{true, slots_[at].tag} : Found{};
  }

  // Has the slot where a look for `name` starts brought into the cache, so
  // that the look, made a little later, does not wait for memory.
  void Prefetch(std::string_view name) const {
    if (!slots_.empty()) __builtin_prefetch(&slots_[Probe(name).hash & Mask()]);
  }

  std::size_t size() const { return size_; }

  void Clear() {
    slots_.clear();
    items_.clear();
    size_ = 0;
  }

 private:
  static_assert(kSlotBytes == 16 || kSlotBytes == 32);
  static constexpr std::size_t kHeadWords = (kSlotBytes - 8) / 8;
  static constexpr std::size_t kHeadSize = kHeadWords * 8 + 3;
  static constexpr std::size_t kNowhere = ~std::size_t{0};

  struct alignas(kSlotBytes) Slot {
    std::uint64_t head[kHeadWords] = {};  // the name's first bytes, zero-padded
    // Its next 3 bytes, and in the high byte its length plus one, or 255 for
    // every length from 254 on; 0: the slot is free.
    std::uint32_t rest = 0;
    std::uint32_t tag = 0;
  };

  // A name to look for: its slot as it would be stored (tag aside) and its
  // hash. The hash takes the name eight bytes at a time: names are looked up
  // once per operand of a million steps, and a byte-at-a-time hash was most
  // of a lookup.
  struct Probe {
    explicit Probe(std::string_view text) : name(text) {
      const std::size_t size = text.size();
      unsigned char bytes[kHeadSize] = {};
      if (size > 0) std::memcpy(bytes, text.data(), std::min(size, kHeadSize));
      std::memcpy(slot.head, bytes, sizeof slot.head);
      const std::uint32_t length_byte = static_cast<std::uint32_t>(std::min<std::size_t>(size + 1, 255));
      const unsigned char* after = bytes + sizeof slot.head;
      slot.rest = after[0] | std::uint32_t{after[1]} << 8 | std::uint32_t{after[2]} << 16 | length_byte << 24;
      hash = Hash(slot, text);
    }
    std::string_view name;
    Slot slot;
    std::uint32_t hash = 0;
  };

  // The hash of a name from its slot, and for a name longer than the slot
  // holds, from the rest of its text.
  static std::uint32_t Hash(const Slot& slot, std::string_view text) {
    std::uint64_t value = 0x9E3779B97F4A7C15u;
    for (const std::uint64_t word : slot.head) value = Mix(value ^ word);
    value = Mix(value ^ slot.rest);
    for (std::size_t at = kHeadSize; at < text.size(); at += 8) {
      std::uint64_t word = 0;
      std::memcpy(&word, text.data() + at, std::min<std::size_t>(text.size() - at, 8));
      value = Mix(value ^ word);
    }
    return static_cast<std::uint32_t>(value);
  }

  static bool Whole_In_Slot(const Slot& slot) { return (slot.rest >> 24) - 1 <= kHeadSize; }

  // A multiply and two shifts, so that the low bits that pick the slot
  // depend on every bit of the word.
  static std::uint64_t Mix(std::uint64_t value) {
    value ^= value >> 32;
    value *= 0xD6E8FEB86659FD93u;
    return value ^ (value >> 32);
  }

  bool Holds(std::size_t at, const Probe& probe) const {
    const Slot& slot = slots_[at];
    if (slot.rest != probe.slot.rest) return false;
    for (std::size_t i = 0; i < kHeadWords; ++i)
      if (slot.head[i] != probe.slot.head[i]) return false;
    return Whole_In_Slot(slot) || std::string_view(items_[at]->*Key) == probe.name;
  }

  std::size_t Position(std::string_view name) const {
    if (size_ == 0) return kNowhere;
    const Probe probe(name);
    for (std::size_t i = probe.hash & Mask();; i = (i + 1) & Mask()) {
      if (slots_[i].rest == 0) return kNowhere;
      if (Holds(i, probe)) return i;
    }
  }

  std::size_t Mask() const { return slots_.size() - 1; }

  // Doubles the table (at least 8 slots) and places every item again: a
  // name that its slot holds whole is placed without reading its item.
  void Grow() {
    std::vector<Slot> old_slots(slots_.empty() ? 8 : slots_.size() * 2);
    std::vector<const T*> old_items(old_slots.size());
    old_slots.swap(slots_);
    old_items.swap(items_);
    for (std::size_t k = 0; k < old_slots.size(); ++k) {
      if (old_slots[k].rest == 0) continue;
      const Slot& slot = old_slots[k];
      const std::string_view text = Whole_In_Slot(slot) ? "" : std::string_view(old_items[k]->*Key);
      std::size_t i = Hash(slot, text) & Mask();
      while (slots_[i].rest != 0) i = (i + 1) & Mask();
      slots_[i] = old_slots[k];
      items_[i] = old_items[k];
    }
  }

  std::vector<Slot> slots_;      // a power of two in size, at most three quarters full
  std::vector<const T*> items_;  // by slot
  std::size_t size_ = 0;
};

}  // namespace kx
