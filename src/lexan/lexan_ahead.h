#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "lexan/lexan.h"

// Reading ahead: the reading thread scans tokens into batches, and the
// client's thread takes them from there, while the state of the scan belongs
// to the reading thread alone.

namespace kx {
namespace lexan_ahead {

constexpr std::size_t kBatchTokens = 4096;
// The two threads' speeds swing apart for a millisecond or more at a time
// on a busy machine: sixteen batches let the reading thread run that far
// ahead, so that the client seldom waits.
constexpr std::size_t kBatchesAhead = 16;

struct Batch {
  std::vector<AheadToken> tokens;
  std::string texts;
  bool last = false;   // no batch follows
  bool fault = false;  // the reading thread met a fault after the last token
};

}  // namespace lexan_ahead

// The batches between the two threads: full ones in order for the client,
// empty ones back for the reading thread.
struct Lexan::ReadAhead {
  using Batch = lexan_ahead::Batch;
  static constexpr std::size_t kRefill = lexan_ahead::kBatchesAhead / 2;
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::unique_ptr<Batch>> full;
  std::vector<std::unique_ptr<Batch>> empty;
  bool stopped = false;
  std::unique_ptr<Batch> taking;  // the batch the client takes tokens from
  std::thread reader;

  ReadAhead() {
    for (std::size_t i = 0; i < lexan_ahead::kBatchesAhead; ++i) empty.push_back(std::make_unique<Batch>());
  }

  // Reading thread: a batch to fill, or nullptr once the client stopped it.
  std::unique_ptr<Batch> Take_Empty() {
    std::unique_lock lock(mutex);
    // Once ahead by every batch, it waits until it can fill several in a
    // row: waking a thread costs more than scanning many tokens.
    if (empty.empty()) changed.wait(lock, [this] { return empty.size() >= kRefill || stopped; });
    if (stopped) return nullptr;
    std::unique_ptr<Batch> batch = std::move(empty.back());
    empty.pop_back();
    return batch;
  }

  void Put_Full(std::unique_ptr<Batch> batch) {
    const std::lock_guard lock(mutex);
    full.push_back(std::move(batch));
    changed.notify_all();
  }

  // Client: the next full batch, once there is one.
  std::unique_ptr<Batch> Take_Full() {
    std::unique_lock lock(mutex);
    changed.wait(lock, [this] { return !full.empty(); });
    std::unique_ptr<Batch> batch = std::move(full.front());
    full.pop_front();
    return batch;
  }

  void Give_Back(std::unique_ptr<Batch> batch) {
    const std::lock_guard lock(mutex);
    empty.push_back(std::move(batch));
    if (empty.size() == kRefill) changed.notify_all();
  }

  void Stop() {
    {
      const std::lock_guard lock(mutex);
      stopped = true;
      changed.notify_all();
    }
    if (reader.joinable()) reader.join();
  }
};

}  // namespace kx
