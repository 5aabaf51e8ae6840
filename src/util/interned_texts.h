#pragma once

#include <deque>
#include <string>
#include <string_view>

#include "util/name_index.h"

namespace kx {

// Each distinct text once, at an address that stays the same for the life of
// the table: records that hold a text by the million point at its one copy
// here instead of owning a string each (a std::deque never moves what it holds).
class InternedTexts {
 public:
  InternedTexts() = default;
  InternedTexts(const InternedTexts&) = delete;
  InternedTexts& operator=(const InternedTexts&) = delete;

  // The table's copy of `text`, made on first use.
  const std::string& Intern(std::string_view text) {
    if (const Entry* found = index_.Find(text)) return found->text;
    const Entry& entry = entries_.emplace_back(Entry{std::string(text)});
    index_.Insert(entry);
    return entry.text;
  }

  std::size_t size() const { return entries_.size(); }

 private:
  struct Entry {
    std::string text;
  };
  std::deque<Entry> entries_;
  NameIndex<Entry, &Entry::text> index_;
};

}  // namespace kx
