#include "util/atomic_file.h"

#include <gtest/gtest.h>

#include <cstring>

#include "util/testing.h"

namespace kx {
namespace {

int Count_Files(const std::filesystem::path& folder) {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
  return count;
}

TEST(AtomicFile, CommitReplacesTheTargetAndDiscardLeavesIt) {
  testing::TempDir dir;
  auto target = dir.Write("out.bin", "old content");
  {
    AtomicFile file;
    ASSERT_TRUE(file.Open(target));
    std::fputs("half", file.get());
  }
  EXPECT_EQ(testing::Read_File(target), "old content");
  EXPECT_EQ(Count_Files(dir.path()), 1);

  AtomicFile file;
  ASSERT_TRUE(file.Open(target));
  std::fputs("new", file.get());
  EXPECT_EQ(testing::Read_File(target), "old content");
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(testing::Read_File(target), "new");
  EXPECT_EQ(Count_Files(dir.path()), 1);
}

// A missing folder, or a folder in the target's place, is refused before
// anything is written, with the error that opening it for writing gives.
TEST(AtomicFile, OpenRefusesAMissingFolderAndAFolderTarget) {
  testing::TempDir dir;
  std::filesystem::create_directory(dir.path() / "taken");
  for (const auto& [name, error] : {std::pair{"missing/out.bin", ENOENT}, std::pair{"taken", EISDIR}}) {
    AtomicFile file;
    errno = 0;
    EXPECT_FALSE(file.Open(dir.path() / name));
    EXPECT_EQ(errno, error) << name;
    EXPECT_EQ(file.get(), nullptr);
    EXPECT_EQ(Count_Files(dir.path()), 1);
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "taken"));
}

TEST(AtomicFile, CommitOntoAFolderMadeMeanwhileFailsAndCleansUp) {
  testing::TempDir dir;
  AtomicFile file;
  ASSERT_TRUE(file.Open(dir.path() / "taken"));
  std::filesystem::create_directories(dir.path() / "taken" / "inner");
  EXPECT_FALSE(file.Commit());
  EXPECT_EQ(Count_Files(dir.path()), 1);
}

}  // namespace
}  // namespace kx
