#include "util/atomic_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace kx {

bool AtomicFile::Open(const std::filesystem::path& target) {
  Discard();
  target_ = target;
  // A folder is never replaced: refused at once, as opening it for writing would be.
  std::error_code ignored;
  if (std::filesystem::is_directory(target, ignored)) {
    errno = EISDIR;
    return false;
  }
  std::filesystem::path folder = target.parent_path();
  std::string pattern = (folder.empty() ? std::filesystem::path(".") : folder) / ".kestrix-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int descriptor = mkstemp(name.data());
  if (descriptor < 0) return false;
  temporary_ = name.data();
  // mkstemp creates the file readable by its owner only; give it the usual mode.
  mode_t mask = umask(0);
  umask(mask);
  fchmod(descriptor, 0666 & ~mask);
  file_ = fdopen(descriptor, "w+b");
  if (file_ == nullptr) {
    int saved = errno;
    close(descriptor);
    std::filesystem::remove(temporary_);
    temporary_.clear();
    errno = saved;
    return false;
  }
  return true;
}

bool AtomicFile::Commit() {
  if (file_ == nullptr) return false;
  bool written = std::fflush(file_) == 0 && fsync(fileno(file_)) == 0;
  int saved = errno;
  bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!written || !closed) {
    if (written) saved = errno;
    Discard();
    errno = saved;
    return false;
  }
  if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
    saved = errno;
    Discard();
    errno = saved;
    return false;
  }
  temporary_.clear();
  return true;
}

void AtomicFile::Discard() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temporary_.empty()) {
    std::error_code ignored;
    std::filesystem::remove(temporary_, ignored);
    temporary_.clear();
  }
}

}  // namespace kx
