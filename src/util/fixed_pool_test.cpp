#include "util/fixed_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

namespace kx {
namespace {

using Pool = FixedPool<248, 8>;

TEST(FixedPool, HandsOutDistinctAlignedObjectsReusesReleasedOnesAndGivesBlocksBack) {
  Pool pool;
  const std::size_t count = 3 * (Pool::kBlockSize / Pool::kSlotSize) + 5;  // four blocks
  std::vector<void*> objects;
  for (std::size_t i = 0; i < count; ++i) {
    void* object = pool.Allocate(248);
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(object) % 8, 0u);
    std::memset(object, static_cast<int>(i), 248);  // all of it is usable
    objects.push_back(object);
  }
  std::vector<void*> sorted = objects;
  std::sort(sorted.begin(), sorted.end());
  for (std::size_t i = 1; i < sorted.size(); ++i)
    EXPECT_GE(static_cast<char*>(sorted[i]) - static_cast<char*>(sorted[i - 1]), 248) << "overlap";

  // The latest released object is the next one handed out.
  pool.Release(objects[7], 248);
  pool.Release(objects[3], 248);
  EXPECT_EQ(pool.Allocate(248), objects[3]);
  EXPECT_EQ(pool.Allocate(248), objects[7]);

  for (void* object : objects) pool.Release(object, 248);
  // And it starts over.
  void* fresh = pool.Allocate(248);
  pool.Release(fresh, 248);
}

TEST(FixedPool, SendsOtherSizesToTheGlobalHeap) {
  Pool pool;
  void* larger = pool.Allocate(256);
  std::memset(larger, 1, 256);
  pool.Release(larger, 256);
}

}  // namespace
}  // namespace kx
