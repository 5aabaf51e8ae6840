#include "util/atomic_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>

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

// A replaced file keeps its mode. A link is written through, to the file it
// leads to, existing or not, with the temporary file beside that file; the
// link stays.
TEST(AtomicFile, KeepsTheModeOfTheTargetAndWritesThroughLinks) {
  namespace fs = std::filesystem;
  testing::TempDir dir;
  const fs::path real = dir.path() / "real", kept = dir.Write("kept.bin", "old");
  fs::create_directory(real);
  fs::permissions(kept, fs::perms(0604));
  dir.Write("real/old.bin", "old");
  fs::create_symlink("real/old.bin", dir.path() / "old.lnk");
  fs::create_symlink(real / "new.bin", dir.path() / "new.lnk");
  const std::pair<const char*, fs::path> cases[] = {
      {"kept.bin", kept}, {"old.lnk", real / "old.bin"}, {"new.lnk", real / "new.bin"}};
  for (const auto& [name, written] : cases) {
    AtomicFile file;
    ASSERT_TRUE(file.Open(dir.path() / name));
    EXPECT_EQ(file.temporary_path().parent_path(), written.parent_path()) << name;
    std::fputs("new", file.get());
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(testing::Read_File(written), "new") << name;
    EXPECT_EQ(fs::is_symlink(dir.path() / name), written != kept) << name;
  }
  EXPECT_EQ(fs::status(kept).permissions(), fs::perms(0604));
}

// A signal that ends the process removes the temporary file first, and the
// process ends as that signal ends it.
TEST(AtomicFileDeathTest, RemovesTheTemporaryFileWhenASignalEndsTheProcess) {
  testing::TempDir dir;
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    EXPECT_EXIT(
        {
          Remove_Temporary_Files_On_Signals();
          AtomicFile file;
          if (file.Open(dir.path() / "out.bin")) raise(signal_number);
        },
        ::testing::KilledBySignal(signal_number), "");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << signal_number;
  }
}

}  // namespace
}  // namespace kx
