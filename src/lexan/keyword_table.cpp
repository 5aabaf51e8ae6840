#include "lexan/keyword_table.h"

#include <utility>

#include "lexan/lexan.h"

namespace kx {

void KeywordTable::Insert(const LexanKeyword& keyword) {
  if (keyword.folded.empty()) return;  // no run of characters is empty
  const Slot slot{Hash(keyword.folded), static_cast<std::uint32_t>(keyword.folded.size()), &keyword};
  if ((count_ + 1) * 4 > slots_.size()) {
    std::vector<Slot> old(slots_.size() * 2);
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

bool KeywordTable::Spells(const LexanKeyword& keyword, std::string_view run) {
  for (std::size_t k = 0; k < run.size(); ++k)
    if (lexan_chars::Fold_Case(run[k]) != static_cast<unsigned char>(keyword.folded[k])) return false;
  return true;
}

}  // namespace kx
