#include "util/whole_file.h"

#include <cerrno>
#include <cstring>

#include "util/platform.h"

namespace kx {
namespace {

using Fault = WholeFileError::Fault;

[[noreturn]] void Fail_Call(Fault fault, const char* doing) {
  const int error = errno;
  throw WholeFileError(fault, error, std::string(doing) + ": " + std::strerror(error));
}

void Check_Kind(platform::InputFile::Kind kind) {
  if (kind == platform::InputFile::Kind::Folder)
    throw WholeFileError(Fault::Folder, EISDIR, "it is a folder, not a file");
  if (kind != platform::InputFile::Kind::Regular)
    throw WholeFileError(Fault::Not_Regular, 0, "it is not a regular file");
}

void Check_Size(std::uint64_t size) {
  if (size > kLargestInputFile)
    throw WholeFileError(Fault::Too_Large, 0, "it is larger than 1 GiB, too large for a template");
}

// Reads up to `size` bytes at `data`; fewer only at the end of the file.
std::size_t Read_Up_To(platform::InputFile& file, unsigned char* data, std::size_t size) {
  std::size_t got = 0;
  while (got < size) {
    const std::int64_t read_now = file.Read(data + got, size - got);
    if (read_now < 0) Fail_Call(Fault::Read, "cannot read it");
    if (read_now == 0) break;
    got += static_cast<std::size_t>(read_now);
  }
  return got;
}

}  // namespace

std::vector<unsigned char> Read_Whole_File(const std::filesystem::path& path) {
  platform::InputFile file;
  if (!file.Open(path)) Fail_Call(Fault::Open, "cannot open it");
  Check_Kind(file.kind());
  Check_Size(file.size());
  std::vector<unsigned char> bytes(static_cast<std::size_t>(file.size()));
  bytes.resize(Read_Up_To(file, bytes.data(), bytes.size()));
  // A file that grew after it was measured is read to its new end, within the limit.
  unsigned char more[4096];
  while (std::size_t got = Read_Up_To(file, more, sizeof more)) {
    Check_Size(bytes.size() + got);
    bytes.insert(bytes.end(), more, more + got);
  }
  return bytes;
}

}  // namespace kx
