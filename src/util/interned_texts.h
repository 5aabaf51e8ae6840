#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "util/name_index.h"

namespace kx {

// Each distinct text once, at an address that stays the same for the life of
// the table: records that hold a text by the million point at its one copy
// here instead of owning a string each (a std::deque never moves what it holds).
// Texts are numbered from 0 in the order of their first use.
class InternedTexts {
 public:
  InternedTexts() = default;
  InternedTexts(const InternedTexts&) = delete;
  InternedTexts& operator=(const InternedTexts&) = delete;

  // The number of `text`, copied into the table on first use.
  std::size_t Intern(std::string_view text) {
    // The number is the index's tag: a known text is found without reading its entry.
    if (const auto found = index_.Find_Tagged(text); found.found) return found.tag;
    const Entry& entry = entries_.emplace_back(Entry{std::string(text)});
    index_.Insert(entry, static_cast<std::uint32_t>(entries_.size() - 1));
    return entries_.size() - 1;
  }

  // The number of `text`, or size() when it is not in the table.
  std::size_t Find(std::string_view text) const {
    const auto found = index_.Find_Tagged(text);
    return found.found ? found.tag : entries_.size();
  }

  const std::string& operator[](std::size_t number) const { return entries_[number].text; }
  std::size_t size() const { return entries_.size(); }

 private:
  struct Entry {
    std::string text;
  };
  std::deque<Entry> entries_;
  NameIndex<Entry, &Entry::text, 32> index_;
};

}  // namespace kx
