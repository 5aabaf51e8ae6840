// kestrix-lsp: the language server on standard input and output; its log
// goes to standard error.
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>

#include "lsp/server.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Diagnostics are published when the client has sent nothing for kQuiet, and
// at the latest kLongest after the first change that they wait for.
constexpr milliseconds kQuiet{200};
constexpr milliseconds kLongest{1000};

void Log_Line(const std::string& line) { std::cerr << line << std::endl; }

void Write_All(const std::string& bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t written = write(STDOUT_FILENO, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      Log_Line(std::string("kestrix-lsp: cannot write to the client: ") + std::strerror(errno));
      return;
    }
    done += static_cast<std::size_t>(written);
  }
}

std::filesystem::path Program_Directory(const char* argv0) {
  std::error_code error;
  const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) return executable.parent_path();
  return std::filesystem::absolute(argv0 != nullptr ? argv0 : ".", error).parent_path();
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  kx::lsp::LanguageServer server(
      Program_Directory(argc > 0 ? argv[0] : nullptr),
      [](const kx::lsp::Json& message) { Write_All(kx::lsp::Frame_Message(message)); }, Log_Line);
  kx::lsp::MessageReader reader(Log_Line);
  std::optional<Clock::time_point> due_since;
  std::string buffer(1 << 16, '\0');
  for (;;) {
    while (const std::optional<std::string> body = reader.Next()) {
      server.Handle(*body);
      if (server.dispatcher().state() == kx::lsp::Dispatcher::State::Exited)
        return server.dispatcher().exit_status();
    }
    int timeout = -1;
    if (server.Diagnostics_Due()) {
      const Clock::time_point now = Clock::now();
      if (!due_since) due_since = now;
      const auto left = std::chrono::duration_cast<milliseconds>(*due_since + kLongest - now);
      timeout = static_cast<int>(std::clamp(left, milliseconds(0), kQuiet).count());
    }
    pollfd input{STDIN_FILENO, POLLIN, 0};
    const int ready = poll(&input, 1, timeout);
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) {
      server.Publish_Diagnostics();
      due_since.reset();
      continue;
    }
    const ssize_t count = ready < 0 ? -1 : read(STDIN_FILENO, buffer.data(), buffer.size());
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      Log_Line("kestrix-lsp: the input ended without an exit notification");
      return server.dispatcher().state() == kx::lsp::Dispatcher::State::ShutDown ? 0 : 1;
    }
    reader.Append(std::string_view(buffer.data(), static_cast<std::size_t>(count)));
  }
}
