#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "lexan/lexan_chars.h"

namespace kx {

struct LexanKeyword;

// The keywords by their text with A to Z taken as a to z, for the keyword
// scanner, which looks up every run of letters and '_' it meets. The hash
// takes only the run's length and its first two and last two characters,
// so that it costs no work per character; Find compares the whole run.
class KeywordTable {
 public:
  // `text` is at least one character long. Setting bit 5 takes A to Z as a
  // to z; what else it changes is told apart by Find.
  static std::uint32_t Hash(std::string_view text) {
    const std::size_t last = text.size() - 1;
    const auto at = [&text](std::size_t i) { return (static_cast<std::uint32_t>(text[i]) & 0xFFu) | 0x20u; };
    std::uint32_t hash = static_cast<std::uint32_t>(text.size()) * 0x9E3779B1u;
    hash ^= at(0) | (at(last > 0 ? 1 : 0) << 8) | (at(last) << 16) | (at(last > 0 ? last - 1 : 0) << 24);
    hash *= 0x85EBCA6Bu;
    return hash ^ (hash >> 15);
  }

  // Adds a keyword that the table does not hold yet; it must stay in place.
  void Insert(const LexanKeyword& keyword);
  // The keyword spelt `run` (any letter case), whose finished hash is `hash`; nullptr when none is.
  const LexanKeyword* Find(std::string_view run, std::uint32_t hash) const {
    const std::size_t mask = slots_.size() - 1;  // never empty: Insert makes the first slots
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      const Slot& slot = slots_[i];
      if (slot.keyword == nullptr) return nullptr;
      if (slot.hash == hash && slot.length == run.size() && Spells(*slot.keyword, run)) return slot.keyword;
    }
  }

 private:
  struct Slot {
    std::uint32_t hash = 0;
    std::uint32_t length = 0;
    const LexanKeyword* keyword = nullptr;  // nullptr: free
  };
  void Place(const Slot& slot);
  static bool Spells(const LexanKeyword& keyword, std::string_view run);

  std::vector<Slot> slots_ = std::vector<Slot>(64);  // a power of two in size, at most a quarter full
  std::size_t count_ = 0;
};

}  // namespace kx
