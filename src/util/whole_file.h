#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace kx {

// A file read whole may hold at most this many bytes.
inline constexpr std::uint64_t kLargestInputFile = 1ULL << 30;

// Why a file could not be read whole. what() gives the reason in words, to
// follow "<path>: " in a message ("it is not a regular file").
class WholeFileError : public std::runtime_error {
 public:
  enum class Fault { Open, Folder, Not_Regular, Too_Large, Read };

  WholeFileError(Fault fault, int error_number, const std::string& reason)
      : std::runtime_error(reason), fault_(fault), error_number_(error_number) {}

  Fault fault() const { return fault_; }
  // The errno of the failed call (EISDIR for a folder); 0 when no call failed.
  int error_number() const { return error_number_; }

 private:
  Fault fault_;
  int error_number_;
};

// The bytes of the regular file at `path`, read into storage of the file's
// size, so they are held once. A folder, a device, a FIFO or a socket is
// refused before it is read (a FIFO is never waited on), and so is a file of
// more than kLargestInputFile bytes. Throws WholeFileError.
std::vector<unsigned char> Read_Whole_File(const std::filesystem::path& path);

}  // namespace kx
