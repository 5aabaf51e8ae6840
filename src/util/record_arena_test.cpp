#include "util/record_arena.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace kx {
namespace {

struct Record {
  std::int32_t number;
  std::int64_t twice;
};

// Records over three chunks stay where they were added and keep their values;
// a range that crosses a chunk's end yields exactly its records, in order.
TEST(RecordArena, KeepsRecordsInPlaceAcrossChunksAndRangesYieldTheirOwn) {
  constexpr std::size_t kChunk = RecordArena<Record>::kChunkRecords;
  RecordArena<Record> arena;
  std::vector<const Record*> places;
  for (std::size_t i = 0; i < 2 * kChunk + 7; ++i) {
    const auto number = static_cast<std::int32_t>(i);
    places.push_back(&arena.Add({number, -2 * std::int64_t{number}}));
  }
  ASSERT_EQ(arena.size(), places.size());
  for (std::size_t i = 0; i < places.size(); ++i) {
    ASSERT_EQ(&arena[i], places[i]) << i;
    ASSERT_EQ(arena[i].number, static_cast<std::int32_t>(i));
    ASSERT_EQ(arena[i].twice, -2 * static_cast<std::int64_t>(i));
  }

  const RecordRange<Record> range(arena, kChunk - 2, 5);
  std::vector<std::int32_t> seen;
  for (const Record& record : range) seen.push_back(record.number);
  const auto first = static_cast<std::int32_t>(kChunk - 2);
  EXPECT_EQ(seen, (std::vector<std::int32_t>{first, first + 1, first + 2, first + 3, first + 4}));
  EXPECT_EQ(range.count(), 5);
  EXPECT_EQ(&range[4], places[kChunk + 2]);

  const RecordRange<Record> none(arena, 3, 0);
  EXPECT_TRUE(none.empty());
  EXPECT_TRUE(none.begin() == none.end());
  EXPECT_TRUE(RecordRange<Record>().empty());
}

}  // namespace
}  // namespace kx
