#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// What differs between POSIX systems and Windows, behind one set of calls:
// platform_posix.cpp and platform_windows.cpp each implement all of it, and
// no other file asks which system it is built for.
namespace kx::platform {

// ---- Paths as text. Options, configuration files and messages hold paths as
// UTF-8 text. On POSIX systems a name's bytes are taken as they are, both
// ways; on Windows the wide name is converted, an invalid sequence becoming
// U+FFFD.
std::string Path_Text(const std::filesystem::path& path);
std::filesystem::path Text_Path(std::string_view text);

// The longest file name and the longest path the system opens, in units of
// path::native(): a longer name, or a path of kLongestPath units or more, is
// refused by the system.
extern const std::size_t kLongestName;
extern const std::size_t kLongestPath;

// ---- The running program.
// The arguments that follow the program name, as UTF-8 text (on Windows taken
// from the wide command line, so that any name passes).
std::vector<std::string> Arguments(int argc, char** argv);
// The running executable; empty when the system cannot name it.
std::filesystem::path Executable_Path();
// Standard input, output and error carry their bytes unchanged (no CR LF
// translation on Windows), and a Windows console shows UTF-8 text.
void Set_Up_Standard_Streams();
// Reads what standard input holds, at most `size` bytes, waiting only until
// some arrive: the count read, 0 at the end of the input, -1 on an error.
std::int64_t Read_Standard_Input(char* data, std::size_t size);

// ---- Reading a whole input file.
// A file opened for reading. Its kind is known before it is opened and again
// once it is open, so a FIFO or a device is never waited on.
class InputFile {
 public:
  enum class Kind { Regular, Folder, Other };

  InputFile() = default;
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Opens `path`; false (errno set) when it cannot be opened. A folder, or a
  // file that is no regular file, is reported by kind() and is not read.
  bool Open(const std::filesystem::path& path);
  Kind kind() const { return kind_; }
  // A regular file's size when it was opened.
  std::uint64_t size() const { return size_; }
  // Reads at most `size` bytes into `data`: the count read (0 at the end of
  // the file), or -1 with errno set.
  std::int64_t Read(unsigned char* data, std::size_t size);

 private:
  int descriptor_ = -1;
  Kind kind_ = Kind::Other;
  std::uint64_t size_ = 0;
};

// ---- Writing an output through a temporary file.
// The file that a chain of symbolic links leads to (it need not exist), or
// empty with errno ELOOP for a chain that does not end. Windows: the path
// itself, as a link there is replaced, not written through.
std::filesystem::path Link_Target(std::filesystem::path path);
// Creates a new file `.kestrix-XXXXXX` with a unique name in `folder`, open
// for reading and writing in binary mode, with the permission bits of the file
// `replaced` when it exists, else those of a new file (POSIX systems); nullptr
// with errno set when it cannot be created. Remove_File_Now removes it even
// while it is open. Stores its path in `created`.
std::FILE* Create_Temporary(const std::filesystem::path& folder, const std::filesystem::path& replaced,
                            std::filesystem::path& created);
// Flushes the stream and has the system write its data to the disk; false
// with errno set.
bool Flush_To_Disk(std::FILE* file);
// Flushes the stream and has the system start writing its data to the disk
// without waiting for it, so that the Flush_To_Disk that ends a large output
// has little left to wait for; false with errno set when the flush fails.
bool Start_Writing_To_Disk(std::FILE* file);
// Moves the file `from` over `to`, replacing any file there; false with
// errno set.
bool Replace_File(const std::filesystem::path& from, const std::filesystem::path& to);
// Removes a file; may be called in a signal handler.
void Remove_File_Now(const std::filesystem::path::value_type* path);

// ---- Signals that end the process.
// When SIGINT, SIGTERM or SIGHUP (Windows: SIGINT, SIGBREAK or SIGTERM) ends
// the process, `clean_up` runs first and the process then ends as that signal
// would have ended it; clean_up may only read fixed storage and call
// Remove_File_Now. A signal that the program was started with ignored stays
// ignored. POSIX systems: SIGXFSZ (a file-size limit) no longer ends the
// process, so the write fails with EFBIG.
void On_Ending_Signals(void (*clean_up)());

}  // namespace kx::platform
