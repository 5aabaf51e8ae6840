#include "lexan/keyword_table.h"

#include <utility>

#include "lexan/lexan.h"

namespace kx {

void KeywordTable::Insert(const LexanKeyword& keyword) {
  std::uint32_t hash = kHashStart;
  for (char c : keyword.folded) hash = Hash_Step(hash, c);
  const Slot slot{Finish(hash), static_cast<std::uint32_t>(keyword.folded.size()), &keyword};
  if ((count_ + 1) * 4 > slots_.size()) {
    std::vector<Slot> old(slots_.empty() ? 64 : slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& kept : old)
      if (kept.keyword != nullptr) Place(kept);
  }
  Place(slot);
  ++count_;
}

void KeywordTable::Place(const Slot& slot) {
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = slot.hash & mask;
  while (slots_[i].keyword != nullptr) i = (i + 1) & mask;
  slots_[i] = slot;
}

const LexanKeyword* KeywordTable::Find(std::string_view run, std::uint32_t hash) const {
  if (slots_.empty()) return nullptr;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.keyword == nullptr) return nullptr;
    if (slot.hash != hash || slot.length != run.size()) continue;
    const std::string& folded = slot.keyword->folded;
    std::size_t k = 0;
    while (k < run.size() && lexan_chars::Fold_Case(run[k]) == static_cast<unsigned char>(folded[k])) ++k;
    if (k == run.size()) return slot.keyword;
  }
}

}  // namespace kx
