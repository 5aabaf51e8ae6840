#include "util/atomic_file.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "util/testing.h"

namespace kx {
namespace {

// The target changes only on Commit. Nothing is left of an uncommitted file,
// nor of one refused for a missing folder, a folder target, or a folder made
// at the target meanwhile; a refusal sets the error that writing would.
TEST(AtomicFile, ReplacesTheTargetOnlyOnCommitAndLeavesNothingElse) {
  testing::TempDir dir;
  const auto target = dir.Write("out.bin", "old");
  for (bool commit : {false, true}) {
    AtomicFile file;
    ASSERT_TRUE(file.Open(target));
    std::fputs("new", file.get());
    EXPECT_EQ(testing::Read_File(target), "old");
    EXPECT_TRUE(!commit || file.Commit());
  }
  EXPECT_EQ(testing::Read_File(target), "new");
  std::filesystem::create_directory(dir.path() / "taken");
  for (const auto& [name, error] : {std::pair{"missing/out.bin", ENOENT}, std::pair{"taken", EISDIR}}) {
    AtomicFile file;
    EXPECT_FALSE(file.Open(dir.path() / name));
    EXPECT_EQ(errno, error) << name;
  }
  AtomicFile file;
  ASSERT_TRUE(file.Open(dir.path() / "later"));
  std::filesystem::create_directories(dir.path() / "later" / "inner");
  EXPECT_FALSE(file.Commit());
  auto files = std::filesystem::directory_iterator(dir.path());
  EXPECT_EQ(std::distance(begin(files), end(files)), 3);  // out.bin, taken and later
}

}  // namespace
}  // namespace kx
