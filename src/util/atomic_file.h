#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace kx {

// An output written to a temporary file in the target's folder and moved
// over the target only by Commit, once complete and closed. Destroying it
// uncommitted removes the temporary file, so a failed write never touches an
// existing target. On POSIX systems a target that is a symbolic link is
// written at the file the link leads to (the temporary file goes beside that
// file) and the link stays, and a replaced file keeps its permission bits.
class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile() { Discard(); }

  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Creates the temporary file, open for reading and writing in binary mode.
  // False (with errno set) when it cannot be created.
  bool Open(const std::filesystem::path& target);

  std::FILE* get() const { return file_; }
  const std::filesystem::path& temporary_path() const { return temporary_; }

  // Flushes, closes and renames the temporary file over the target. False
  // (with errno set) when any step fails; the temporary file is then removed.
  bool Commit();

  // Closes and removes the temporary file, if any.
  void Discard();

 private:
  std::filesystem::path target_;
  std::filesystem::path temporary_;
  std::FILE* file_ = nullptr;
  int live_slot_ = -1;  // where the signal handler finds temporary_; -1: not there
};

// For a program's main: SIGINT, SIGTERM and SIGHUP (Windows: SIGINT, SIGBREAK
// and SIGTERM, so Ctrl+C and Ctrl+Break) remove the temporary file of every
// open AtomicFile and then end the process as the signal would have ended it;
// on POSIX systems SIGXFSZ (a file-size limit) no longer ends the process, so
// the write fails with EFBIG and is reported as any failed write. A signal
// that the program was started with ignored stays ignored.
void Remove_Temporary_Files_On_Signals();

}  // namespace kx
