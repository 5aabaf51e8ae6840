#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kx {

// The location labels of each routine, found by the number of their name
// among the operand texts. The first routine to have a label of a name keeps
// its row in a table by name number, so that a routine of a few hundred
// thousand labels writes each where its (mostly rising) number says. A label
// of a name that an earlier routine has already goes into the routine's own
// small open-addressing table of 8-byte slots; the tables of all routines lie
// one after another in one vector, so that a routine's lookups stay within a
// few cache lines and no routine costs a heap block of its own. The table of
// the routine being read is the last one and grows in place.
class LabelTables {
 public:
  // One routine's table: slots [first, first + size).
  struct Table {
    std::uint32_t routine = 0;  // the routine's number, from 1
    std::uint32_t first = 0;
    std::uint32_t size = 0;
  };

  LabelTables() = default;
  LabelTables(const LabelTables&) = delete;
  LabelTables& operator=(const LabelTables&) = delete;

  // Starts the table of the next routine.
  void Begin() {
    building_ = {building_.routine + 1, static_cast<std::uint32_t>(slots_.size()), 0};
    count_ = 0;
  }

  // Adds the label named `name` (a number above 0) to the routine being
  // read, standing for step data row `row`; false, and nothing added, when
  // the routine has a label of that name already.
  bool Insert(std::int32_t name, std::int32_t row) {
    const auto number = static_cast<std::size_t>(name);
    if (number >= homes_.size()) homes_.resize(number + 1);
    Home& home = homes_[number];
    if (home.routine == 0) {
      home = {building_.routine, row};
      return true;
    }
    if (home.routine == building_.routine || Find_In_Table(building_, name) >= 0) return false;
    if ((count_ + 1) * 4 > building_.size * 3) Grow();
    Place({name, row});
    ++count_;
    return true;
  }

  // The table of the routine being read, as it stands.
  const Table& building() const { return building_; }

  // The step data row of the label named `name`; -1 when there is none.
  std::int64_t Find(const Table& table, std::int32_t name) const {
    const auto number = static_cast<std::size_t>(name);
    if (number < homes_.size() && homes_[number].routine == table.routine && table.routine != 0)
      return homes_[number].row;
    return Find_In_Table(table, name);
  }

 private:
  struct Home {
    std::uint32_t routine = 0;  // 0: no routine has a label of this name
    std::int32_t row = 0;
  };

  std::int64_t Find_In_Table(const Table& table, std::int32_t name) const {
    if (table.size == 0) return -1;
    const std::uint32_t mask = table.size - 1;
    for (std::uint32_t i = Hash(name) & mask;; i = (i + 1) & mask) {
      const Slot& slot = slots_[table.first + i];
      if (slot.name == 0) return -1;
      if (slot.name == name) return slot.row;
    }
  }

  struct Slot {
    std::int32_t name = 0;  // 0: free
    std::int32_t row = 0;
  };

  static std::uint32_t Hash(std::int32_t name) {
    const std::uint32_t h = static_cast<std::uint32_t>(name) * 2654435761u;
    return h ^ (h >> 16);
  }

  void Place(const Slot& entry) {
    const std::uint32_t mask = building_.size - 1;
    std::uint32_t i = Hash(entry.name) & mask;
    while (slots_[building_.first + i].name != 0) i = (i + 1) & mask;
    slots_[building_.first + i] = entry;
  }

  // Doubles the building table (at least 8 slots), at most three quarters full after.
  void Grow() {
    moved_.assign(slots_.begin() + building_.first, slots_.end());
    building_.size = building_.size == 0 ? 8 : building_.size * 2;
    slots_.resize(building_.first);  // the tables before it stay as they are
    slots_.resize(static_cast<std::size_t>(building_.first) + building_.size);
    for (const Slot& slot : moved_)
      if (slot.name != 0) Place(slot);
  }

  std::vector<Home> homes_;  // by name number
  std::vector<Slot> slots_;
  std::vector<Slot> moved_;  // the slots of the building table while it grows, kept for the next time
  Table building_;
  std::uint32_t count_ = 0;  // labels in the building table
};

}  // namespace kx
