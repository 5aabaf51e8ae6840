#include "util/atomic_file.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <vector>

namespace kx {
namespace {

// The temporary files of the open AtomicFiles, for the signal handler, which
// may only read fixed storage and call unlink.
enum : int { kSlotFree, kSlotFilling, kSlotLive };
struct LiveTemporary {
  std::atomic<int> state{kSlotFree};
  char path[PATH_MAX];
};
static_assert(std::atomic<int>::is_always_lock_free);
LiveTemporary g_live_temporaries[8];

int Register_Temporary(const std::filesystem::path& path) {
  std::error_code ignored;
  const std::string absolute = std::filesystem::absolute(path, ignored).string();
  if (absolute.empty() || absolute.size() >= PATH_MAX) return -1;
  for (int slot = 0; slot < static_cast<int>(std::size(g_live_temporaries)); ++slot) {
    LiveTemporary& live = g_live_temporaries[slot];
    int free = kSlotFree;
    if (!live.state.compare_exchange_strong(free, kSlotFilling)) continue;
    std::memcpy(live.path, absolute.c_str(), absolute.size() + 1);
    live.state.store(kSlotLive);
    return slot;
  }
  return -1;
}

void Unregister_Temporary(int& slot) {
  if (slot >= 0) g_live_temporaries[slot].state.store(kSlotFree);
  slot = -1;
}

extern "C" void Remove_Temporaries_And_End(int signal_number) {
  for (LiveTemporary& live : g_live_temporaries)
    if (live.state.load() == kSlotLive) unlink(live.path);
  // Delivered again when the handler returns, now with its default action.
  signal(signal_number, SIG_DFL);
  raise(signal_number);
}

// The file a chain of symbolic links leads to (it need not exist); empty,
// with errno ELOOP, for a chain that does not end.
std::filesystem::path Link_Target(std::filesystem::path path) {
  for (int links = 0; links < 40; ++links) {
    std::error_code no_link;
    const std::filesystem::path next = std::filesystem::read_symlink(path, no_link);
    if (no_link) return path;
    path = next.is_absolute() ? next : path.parent_path() / next;
  }
  errno = ELOOP;
  return {};
}

}  // namespace

bool AtomicFile::Open(const std::filesystem::path& target) {
  Discard();
  target_ = Link_Target(target);
  if (target_.empty()) return false;
  // A folder is never replaced: refused at once, as opening it for writing would be.
  std::error_code ignored;
  if (std::filesystem::is_directory(target_, ignored)) {
    errno = EISDIR;
    return false;
  }
  std::filesystem::path folder = target_.parent_path();
  std::string pattern = (folder.empty() ? std::filesystem::path(".") : folder) / ".kestrix-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int descriptor = mkstemp(name.data());
  if (descriptor < 0) return false;
  temporary_ = name.data();
  live_slot_ = Register_Temporary(temporary_);
  // mkstemp creates the file readable by its owner only: it takes the mode of
  // the file it replaces, or else the usual mode of a new file.
  struct stat earlier;
  mode_t mode;
  if (stat(target_.c_str(), &earlier) == 0) {
    mode = earlier.st_mode & 07777;
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  fchmod(descriptor, mode);
  file_ = fdopen(descriptor, "w+b");
  if (file_ == nullptr) {
    int saved = errno;
    close(descriptor);
    Discard();
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
  Unregister_Temporary(live_slot_);
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
  Unregister_Temporary(live_slot_);
}

void Remove_Temporary_Files_On_Signals() {
  struct sigaction action = {};
  action.sa_handler = Remove_Temporaries_And_End;
  sigemptyset(&action.sa_mask);
  const int endings[] = {SIGINT, SIGTERM, SIGHUP};
  for (int signal_number : endings) sigaddset(&action.sa_mask, signal_number);
  for (int signal_number : endings) {
    struct sigaction earlier;
    if (sigaction(signal_number, nullptr, &earlier) == 0 && earlier.sa_handler != SIG_IGN)
      sigaction(signal_number, &action, nullptr);
  }
  signal(SIGXFSZ, SIG_IGN);
}

}  // namespace kx
