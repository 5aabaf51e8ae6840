#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace kx {

// An output written to a temporary file in the target's folder and moved
// over the target only by Commit, once complete and closed. Destroying it
// uncommitted removes the temporary file, so a failed write never touches an
// existing target.
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
};

}  // namespace kx
