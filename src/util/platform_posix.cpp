#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "util/platform.h"

namespace kx::platform {

std::string Path_Text(const std::filesystem::path& path) { return path.native(); }

std::filesystem::path Text_Path(std::string_view text) { return std::filesystem::path(std::string(text)); }

const std::size_t kLongestName = NAME_MAX;
const std::size_t kLongestPath = PATH_MAX;

std::vector<std::string> Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

std::filesystem::path Executable_Path() {
  std::error_code error;
  std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : executable;
}

void Set_Up_Standard_Streams() {}

std::int64_t Read_Standard_Input(char* data, std::size_t size) {
  for (;;) {
    const ssize_t count = read(STDIN_FILENO, data, size);
    if (count >= 0 || errno != EINTR) return count;
  }
}

namespace {

InputFile::Kind Kind_Of(const struct stat& status) {
  if (S_ISDIR(status.st_mode)) return InputFile::Kind::Folder;
  return S_ISREG(status.st_mode) ? InputFile::Kind::Regular : InputFile::Kind::Other;
}

}  // namespace

InputFile::~InputFile() {
  if (descriptor_ >= 0) close(descriptor_);
}

bool InputFile::Open(const std::filesystem::path& path) {
  // The kind is known before opening, as opening a FIFO for reading would wait for a writer.
  struct stat status;
  if (stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
    kind_ = Kind_Of(status);
    return true;
  }
  // Not waiting either if a FIFO took the file's place meanwhile.
  descriptor_ = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor_ < 0 || fstat(descriptor_, &status) != 0) return false;
  kind_ = Kind_Of(status);
  size_ = static_cast<std::uint64_t>(status.st_size);
  return true;
}

std::int64_t InputFile::Read(unsigned char* data, std::size_t size) {
  for (;;) {
    const ssize_t got = read(descriptor_, data, size);
    if (got >= 0 || errno != EINTR) return got;
  }
}

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

std::FILE* Create_Temporary(const std::filesystem::path& folder, const std::filesystem::path& replaced,
                            std::filesystem::path& created) {
  const std::string pattern = folder / ".kestrix-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int descriptor = mkstemp(name.data());
  if (descriptor < 0) return nullptr;
  // mkstemp creates the file readable by its owner only: it takes the mode of
  // the file it replaces, or else the usual mode of a new file.
  struct stat earlier;
  mode_t mode;
  if (stat(replaced.c_str(), &earlier) == 0) {
    mode = earlier.st_mode & 07777;
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  fchmod(descriptor, mode);
  std::FILE* file = fdopen(descriptor, "w+b");
  if (file == nullptr) {
    const int saved = errno;
    close(descriptor);
    unlink(name.data());
    errno = saved;
    return nullptr;
  }
  created = name.data();
  return file;
}

bool Flush_To_Disk(std::FILE* file) { return std::fflush(file) == 0 && fsync(fileno(file)) == 0; }

bool Start_Writing_To_Disk(std::FILE* file) {
  if (std::fflush(file) != 0) return false;
#ifdef __linux__
  // Only a hint: the flush to disk at the end still waits for everything.
  sync_file_range(fileno(file), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
  return true;
}

bool Replace_File(const std::filesystem::path& from, const std::filesystem::path& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

void Remove_File_Now(const char* path) { unlink(path); }

namespace {

void (*g_clean_up)() = nullptr;

extern "C" void Clean_Up_And_End(int signal_number) {
  if (g_clean_up != nullptr) g_clean_up();
  // Delivered again when the handler returns, now with its default action.
  signal(signal_number, SIG_DFL);
  raise(signal_number);
}

}  // namespace

void On_Ending_Signals(void (*clean_up)()) {
  g_clean_up = clean_up;
  struct sigaction action = {};
  action.sa_handler = Clean_Up_And_End;
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

}  // namespace kx::platform
