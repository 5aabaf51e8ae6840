#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "util/name_index.h"

namespace kx {

// The texts that step operands hold, numbered from 1. An operand keeps a
// text's 32-bit number instead of a pointer or a string of its own, so that
// it takes eight bytes: a million steps hold four operands each. The string
// table's entries and the data symbols' names are numbered where their
// records hold them; routine and label names, which an operand may name
// before their records exist, are kept here once each.
class OperandTexts {
 public:
  OperandTexts() = default;
  OperandTexts(const OperandTexts&) = delete;
  OperandTexts& operator=(const OperandTexts&) = delete;

  // Numbers a text that a record holds in place for the life of this table;
  // `word` is what stands for it in the tables (Word).
  std::int32_t Add(const std::string& text, std::uint16_t word = 0) {
    texts_.push_back(&text);
    words_.push_back(word);
    return static_cast<std::int32_t>(texts_.size());
  }

  // The number of a routine or label name, kept here on first use.
  std::int32_t Add_Name(std::string_view name) {
    // The number is the index's tag: a known name is found without reading its copy.
    if (const auto found = name_index_.Find_Tagged(name); found.found)
      return static_cast<std::int32_t>(found.tag);
    const Name& kept = names_.emplace_back(Name{std::string(name)});
    const std::int32_t number = Add(kept.text);
    name_index_.Insert(kept, static_cast<std::uint32_t>(number));
    return number;
  }

  // Prepares the Add_Name of `name` that follows shortly (NameIndex::Prefetch).
  void Prefetch_Name(std::string_view name) const { name_index_.Prefetch(name); }

  // The number of a routine or label name kept here; 0 when it is not.
  std::int32_t Find_Name(std::string_view name) const {
    return static_cast<std::int32_t>(name_index_.Find_Tagged(name).tag);
  }

  // The word given with the text of `number` (a symbol's or a string's index,
  // its low 16 bits): a small table read in place of the text's record.
  std::uint16_t Word(std::int32_t number) const { return words_[static_cast<std::size_t>(number) - 1]; }

  // The text of `number`; nullptr for 0.
  const std::string* Text(std::int32_t number) const {
    return number > 0 ? texts_[static_cast<std::size_t>(number) - 1] : nullptr;
  }

 private:
  std::vector<const std::string*> texts_;  // by number - 1
  std::vector<std::uint16_t> words_;       // by number - 1
  struct Name {
    std::string text;
  };
  std::deque<Name> names_;  // the kept names, which never move
  NameIndex<Name, &Name::text> name_index_;
};

}  // namespace kx
