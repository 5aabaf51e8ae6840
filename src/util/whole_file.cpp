#include "util/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kx {
namespace {

using Fault = WholeFileError::Fault;

[[noreturn]] void Fail_Call(Fault fault, const char* doing) {
  const int error = errno;
  throw WholeFileError(fault, error, std::string(doing) + ": " + std::strerror(error));
}

void Check_Kind(const struct stat& status) {
  if (S_ISDIR(status.st_mode)) throw WholeFileError(Fault::Folder, EISDIR, "it is a folder, not a file");
  if (!S_ISREG(status.st_mode)) throw WholeFileError(Fault::Not_Regular, 0, "it is not a regular file");
}

void Check_Size(std::uint64_t size) {
  if (size > kLargestInputFile)
    throw WholeFileError(Fault::Too_Large, 0, "it is larger than 1 GiB, too large for a template");
}

class Descriptor {
 public:
  explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
  ~Descriptor() { close(descriptor_); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return descriptor_; }

 private:
  int descriptor_;
};

// Reads up to `size` bytes at `data`; fewer only at the end of the file.
std::size_t Read_Up_To(int descriptor, unsigned char* data, std::size_t size) {
  std::size_t got = 0;
  while (got < size) {
    const ssize_t read_now = read(descriptor, data + got, size - got);
    if (read_now < 0 && errno == EINTR) continue;
    if (read_now < 0) Fail_Call(Fault::Read, "cannot read it");
    if (read_now == 0) break;
    got += static_cast<std::size_t>(read_now);
  }
  return got;
}

}  // namespace

std::vector<unsigned char> Read_Whole_File(const std::filesystem::path& path) {
  // The kind is known before opening, as opening a FIFO for reading would wait for a writer.
  struct stat status;
  if (stat(path.c_str(), &status) == 0) Check_Kind(status);
  // Not waiting either if a FIFO took the file's place meanwhile.
  const int opened = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (opened < 0) Fail_Call(Fault::Open, "cannot open it");
  const Descriptor file(opened);
  if (fstat(file.get(), &status) != 0) Fail_Call(Fault::Read, "cannot read it");
  Check_Kind(status);
  Check_Size(static_cast<std::uint64_t>(status.st_size));
  std::vector<unsigned char> bytes(static_cast<std::size_t>(status.st_size));
  bytes.resize(Read_Up_To(file.get(), bytes.data(), bytes.size()));
  // A file that grew after it was measured is read to its new end, within the limit.
  unsigned char more[4096];
  while (std::size_t got = Read_Up_To(file.get(), more, sizeof more)) {
    Check_Size(bytes.size() + got);
    bytes.insert(bytes.end(), more, more + got);
  }
  return bytes;
}

}  // namespace kx
