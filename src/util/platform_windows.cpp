#include <fcntl.h>
#include <io.h>
#include <signal.h>
#include <sys/stat.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <random>

#include "util/platform.h"

namespace kx::platform {
namespace {

std::string Narrow(const wchar_t* text, int size) {
  if (size == 0) return {};
  const int needed = WideCharToMultiByte(CP_UTF8, 0, text, size, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(needed), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, size, narrow.data(), needed, nullptr, nullptr);
  return narrow;
}

// The errno that the C library sets for the same failure of a system call.
int Errno_Of(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    default:
      return EIO;
  }
}

}  // namespace

std::string Path_Text(const std::filesystem::path& path) {
  const std::wstring& wide = path.native();
  return Narrow(wide.data(), static_cast<int>(wide.size()));
}

std::filesystem::path Text_Path(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), needed);
  return std::filesystem::path(std::move(wide));
}

const std::size_t kLongestName = 255;
const std::size_t kLongestPath = MAX_PATH;

std::vector<std::string> Arguments(int, char**) {
  int count = 0;
  struct Free {
    void operator()(LPWSTR* list) const { LocalFree(list); }
  };
  const std::unique_ptr<LPWSTR, Free> wide(CommandLineToArgvW(GetCommandLineW(), &count));
  std::vector<std::string> arguments;
  for (int i = 1; wide && i < count; ++i)
    arguments.push_back(Narrow(wide.get()[i], static_cast<int>(wcslen(wide.get()[i]))));
  return arguments;
}

std::filesystem::path Executable_Path() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD size = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (size == 0) return {};
    if (size < name.size()) return std::filesystem::path(name.substr(0, size));
    name.resize(name.size() * 2);
  }
}

namespace {

UINT g_console_page = 0;

void Restore_Console_Page() { SetConsoleOutputCP(g_console_page); }

}  // namespace

void Set_Up_Standard_Streams() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  DWORD mode;
  if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) ||
      GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode)) {
    g_console_page = GetConsoleOutputCP();
    SetConsoleOutputCP(CP_UTF8);
    std::atexit(Restore_Console_Page);
  }
}

std::int64_t Read_Standard_Input(char* data, std::size_t size) {
  return _read(_fileno(stdin), data, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
}

InputFile::~InputFile() {
  if (descriptor_ >= 0) _close(descriptor_);
}

bool InputFile::Open(const std::filesystem::path& path) {
  // A folder cannot be opened as a file: it is told by its attributes.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    kind_ = Kind::Folder;
    return true;
  }
  descriptor_ = _wopen(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
  if (descriptor_ < 0) return false;
  // A console, a pipe or a device is opened without waiting, but never read.
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor_));
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    kind_ = Kind::Other;
    return true;
  }
  LARGE_INTEGER size;
  if (!GetFileSizeEx(handle, &size)) {
    errno = Errno_Of(GetLastError());
    return false;
  }
  kind_ = Kind::Regular;
  size_ = static_cast<std::uint64_t>(size.QuadPart);
  return true;
}

std::int64_t InputFile::Read(unsigned char* data, std::size_t size) {
  return _read(descriptor_, data, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
}

std::filesystem::path Link_Target(std::filesystem::path path) { return path; }

std::FILE* Create_Temporary(const std::filesystem::path& folder, const std::filesystem::path&,
                            std::filesystem::path& created) {
  static const wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring name = L".kestrix-";
    for (int i = 0; i < 6; ++i) name += kLetters[random() % (std::size(kLetters) - 1)];
    const std::filesystem::path path = folder / name;
    // Shared for deletion, so that a signal handler can remove it while it is open.
    const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_EXISTS) continue;
      errno = Errno_Of(error);
      return nullptr;
    }
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
    std::FILE* file = descriptor >= 0 ? _fdopen(descriptor, "w+b") : nullptr;
    if (file == nullptr) {
      const int saved = errno;
      if (descriptor >= 0)
        _close(descriptor);
      else
        CloseHandle(handle);
      DeleteFileW(path.c_str());
      errno = saved;
      return nullptr;
    }
    created = path;
    return file;
  }
  errno = EEXIST;
  return nullptr;
}

bool Flush_To_Disk(std::FILE* file) { return std::fflush(file) == 0 && _commit(_fileno(file)) == 0; }

// Windows writes a file's cached data out on its own; there is nothing to start.
bool Start_Writing_To_Disk(std::FILE* file) { return std::fflush(file) == 0; }

bool Replace_File(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  errno = Errno_Of(GetLastError());
  return false;
}

void Remove_File_Now(const wchar_t* path) { DeleteFileW(path); }

namespace {

void (*g_clean_up)() = nullptr;

extern "C" void Clean_Up_And_End(int signal_number) {
  if (g_clean_up != nullptr) g_clean_up();
  signal(signal_number, SIG_DFL);
  raise(signal_number);
}

}  // namespace

void On_Ending_Signals(void (*clean_up)()) {
  g_clean_up = clean_up;
  for (int signal_number : {SIGINT, SIGBREAK, SIGTERM})
    if (signal(signal_number, Clean_Up_And_End) == SIG_IGN) signal(signal_number, SIG_IGN);
}

}  // namespace kx::platform
