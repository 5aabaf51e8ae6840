#include "util/fixed_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace kx {
namespace {

// Objects over three blocks keep every byte of their own, the latest released
// object is the next one handed out, and the blocks stay while any object lives.
TEST(FixedPool, HandsOutWholeObjectsAndKeepsThemWhileAnyLives) {
  using Pool = FixedPool<248, 8>;
  Pool pool;
  std::vector<unsigned char*> objects;
  for (std::size_t i = 0; i < 2 * Pool::kBlockSize / Pool::kSlotSize + 5; ++i) {
    objects.push_back(static_cast<unsigned char*>(pool.Allocate(248)));
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(objects.back()) % 8, 0u);
    std::memset(objects.back(), static_cast<int>(i % 251), 248);
  }
  for (std::size_t i = 0; i < objects.size(); ++i) ASSERT_EQ(objects[i][247], i % 251) << i;
  pool.Release(objects[7], 248);
  pool.Release(objects[3], 248);
  EXPECT_EQ(pool.Allocate(248), objects[3]);
  EXPECT_EQ(pool.Allocate(248), objects[7]);
  for (std::size_t i = 1; i < objects.size(); ++i) pool.Release(objects[i], 248);
  std::memset(objects[0], 0, 248);  // the last object's block is still there
  pool.Release(objects[0], 248);
}

}  // namespace
}  // namespace kx
