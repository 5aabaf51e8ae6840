// kestrix-lsp: the language server on standard input and output; its log
// goes to standard error.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "lsp/server.h"
#include "util/platform.h"
#include "vmobject/companion_files.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Diagnostics are published when the client has sent nothing for kQuiet, and
// at the latest kLongest after the first change that they wait for.
constexpr milliseconds kQuiet{200};
constexpr milliseconds kLongest{1000};

void Log_Line(const std::string& line) { std::cerr << line << std::endl; }

void Write_All(const std::string& bytes) {
  if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0)
    Log_Line("kestrix-lsp: cannot write to the client");
}

// Standard input, read on a thread of its own, so that the server can wait
// for the next bytes and for the time to publish diagnostics at once.
class InputChunks {
 public:
  InputChunks() : reader_([this] { Read(); }) { reader_.detach(); }

  // The next bytes; empty at the end of the input; nullopt when nothing came
  // within `timeout` (none: wait as long as it takes).
  std::optional<std::string> Next(std::optional<milliseconds> timeout) {
    std::unique_lock lock(mutex_);
    const auto ready = [this] { return !chunks_.empty() || ended_; };
    if (timeout)
      arrived_.wait_for(lock, *timeout, ready);
    else
      arrived_.wait(lock, ready);
    if (chunks_.empty()) return ended_ ? std::optional<std::string>(std::string()) : std::nullopt;
    std::string chunk = std::move(chunks_.front());
    chunks_.pop_front();
    return chunk;
  }

 private:
  void Read() {
    std::string buffer(1 << 16, '\0');
    for (;;) {
      const std::int64_t count = kx::platform::Read_Standard_Input(buffer.data(), buffer.size());
      std::lock_guard lock(mutex_);
      if (count > 0)
        chunks_.push_back(buffer.substr(0, static_cast<std::size_t>(count)));
      else
        ended_ = true;
      arrived_.notify_one();
      if (ended_) return;
    }
  }

  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<std::string> chunks_;
  bool ended_ = false;
  std::thread reader_;
};

// Ends the process at once: the reader thread may still wait for input and
// must not outlive what it uses.
[[noreturn]] void Finish(int status) {
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(status);
}

}  // namespace

int main(int argc, char** argv) {
#ifdef SIGPIPE
  std::signal(SIGPIPE, SIG_IGN);
#endif
  kx::platform::Set_Up_Standard_Streams();
  kx::lsp::LanguageServer server(
      kx::Program_Directory(argc > 0 ? argv[0] : nullptr),
      [](const kx::lsp::Json& message) { Write_All(kx::lsp::Frame_Message(message)); }, Log_Line);
  kx::lsp::MessageReader reader(Log_Line);
  InputChunks input;
  std::optional<Clock::time_point> due_since;
  for (;;) {
    while (const std::optional<std::string> body = reader.Next()) {
      server.Handle(*body);
      if (server.dispatcher().state() == kx::lsp::Dispatcher::State::Exited)
        Finish(server.dispatcher().exit_status());
    }
    std::optional<milliseconds> timeout;
    if (server.Diagnostics_Due()) {
      const Clock::time_point now = Clock::now();
      if (!due_since) due_since = now;
      const auto left = std::chrono::duration_cast<milliseconds>(*due_since + kLongest - now);
      timeout = std::clamp(left, milliseconds(0), kQuiet);
    }
    const std::optional<std::string> chunk = input.Next(timeout);
    if (!chunk) {
      server.Publish_Diagnostics();
      due_since.reset();
      continue;
    }
    if (chunk->empty()) {
      Log_Line("kestrix-lsp: the input ended without an exit notification");
      Finish(server.dispatcher().state() == kx::lsp::Dispatcher::State::ShutDown ? 0 : 1);
    }
    reader.Append(*chunk);
  }
}
