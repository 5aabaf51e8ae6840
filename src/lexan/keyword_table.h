#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "lexan/lexan_chars.h"

namespace kx {

struct LexanKeyword;

// The keywords by their text with A to Z taken as a to z, for the keyword
// scanner. The scanner hashes a run while it scans it (Hash_Step on each
// character, then Finish), so that telling a name from every keyword costs
// one probe and no second pass over the name.
class KeywordTable {
 public:
  // Keywords are matched in runs of letters and '_', each taken as its
  // lexan_chars::kKeywordFolds value.
  static std::uint32_t Hash_Step(std::uint32_t hash, unsigned char fold) { return (hash ^ fold) * 16777619u; }
  static constexpr std::uint32_t kHashStart = 2166136261u;
  static std::uint32_t Finish(std::uint32_t hash) { return hash ^ (hash >> 15); }

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
