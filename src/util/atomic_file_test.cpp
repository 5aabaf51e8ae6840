#include "util/atomic_file.h"

#include <gtest/gtest.h>

#include <cstring>

#include "vmobject/testing.h"

namespace kx {
namespace {

int Count_Files(const std::filesystem::path& folder) {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
  return count;
}

TEST(AtomicFile, CommitReplacesTheTarget) {
  testing::TempDir dir;
  auto target = dir.Write("out.bin", "old content");
  AtomicFile file;
  ASSERT_TRUE(file.Open(target));
  std::fputs("new", file.get());
  EXPECT_EQ(testing::Read_File(target), "old content");
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(testing::Read_File(target), "new");
  EXPECT_EQ(Count_Files(dir.path()), 1);
}

TEST(AtomicFile, DiscardLeavesTheTargetAndNoTemporary) {
  testing::TempDir dir;
  auto target = dir.Write("out.bin", "old content");
  {
    AtomicFile file;
    ASSERT_TRUE(file.Open(target));
    std::fputs("half", file.get());
  }
  EXPECT_EQ(testing::Read_File(target), "old content");
  EXPECT_EQ(Count_Files(dir.path()), 1);
}

TEST(AtomicFile, OpenFailsInAMissingFolder) {
  testing::TempDir dir;
  AtomicFile file;
  EXPECT_FALSE(file.Open(dir.path() / "missing" / "out.bin"));
  EXPECT_EQ(errno, ENOENT);
}

TEST(AtomicFile, CommitOntoAFolderFailsAndCleansUp) {
  testing::TempDir dir;
  std::filesystem::create_directory(dir.path() / "taken");
  std::filesystem::create_directory(dir.path() / "taken" / "inner");
  AtomicFile file;
  ASSERT_TRUE(file.Open(dir.path() / "taken"));
  EXPECT_FALSE(file.Commit());
  EXPECT_EQ(Count_Files(dir.path()), 1);
}

}  // namespace
}  // namespace kx
