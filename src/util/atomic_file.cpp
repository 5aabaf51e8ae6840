#include "util/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <iterator>

#include "util/platform.h"

namespace kx {
namespace {

// The temporary files of the open AtomicFiles, for the signal handler, which
// may only read fixed storage and remove files.
enum : int { kSlotFree, kSlotFilling, kSlotLive };
struct LiveTemporary {
  std::atomic<int> state{kSlotFree};
  std::filesystem::path::value_type path[4096];
};
static_assert(std::atomic<int>::is_always_lock_free);
LiveTemporary g_live_temporaries[8];

int Register_Temporary(const std::filesystem::path& path) {
  std::error_code ignored;
  const std::filesystem::path::string_type absolute = std::filesystem::absolute(path, ignored).native();
  if (absolute.empty() || absolute.size() >= std::size(LiveTemporary{}.path)) return -1;
  for (int slot = 0; slot < static_cast<int>(std::size(g_live_temporaries)); ++slot) {
    LiveTemporary& live = g_live_temporaries[slot];
    int free = kSlotFree;
    if (!live.state.compare_exchange_strong(free, kSlotFilling)) continue;
    std::memcpy(live.path, absolute.c_str(), (absolute.size() + 1) * sizeof absolute[0]);
    live.state.store(kSlotLive);
    return slot;
  }
  return -1;
}

void Unregister_Temporary(int& slot) {
  if (slot >= 0) g_live_temporaries[slot].state.store(kSlotFree);
  slot = -1;
}

void Remove_Live_Temporaries() {
  for (LiveTemporary& live : g_live_temporaries)
    if (live.state.load() == kSlotLive) platform::Remove_File_Now(live.path);
}

}  // namespace

bool AtomicFile::Open(const std::filesystem::path& target) {
  Discard();
  target_ = platform::Link_Target(target);
  if (target_.empty()) return false;
  // A folder is never replaced: refused at once, as opening it for writing would be.
  std::error_code ignored;
  if (std::filesystem::is_directory(target_, ignored)) {
    errno = EISDIR;
    return false;
  }
  const std::filesystem::path folder = target_.parent_path();
  file_ =
      platform::Create_Temporary(folder.empty() ? std::filesystem::path(".") : folder, target_, temporary_);
  if (file_ == nullptr) return false;
  live_slot_ = Register_Temporary(temporary_);
  return true;
}

bool AtomicFile::Commit() {
  if (file_ == nullptr) return false;
  bool written = platform::Flush_To_Disk(file_);
  int saved = errno;
  bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!written || !closed) {
    if (written) saved = errno;
    Discard();
    errno = saved;
    return false;
  }
  if (!platform::Replace_File(temporary_, target_)) {
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

void Remove_Temporary_Files_On_Signals() { platform::On_Ending_Signals(Remove_Live_Temporaries); }

}  // namespace kx
