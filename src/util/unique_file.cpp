#include "util/unique_file.h"

#include <string>

namespace kx {

UniqueFile Open_File(const std::filesystem::path& path, const char* mode) {
#ifdef _WIN32
  const std::wstring wide_mode(mode, mode + std::char_traits<char>::length(mode));
  return UniqueFile(_wfopen(path.c_str(), wide_mode.c_str()));
#else
  return UniqueFile(std::fopen(path.c_str(), mode));
#endif
}

}  // namespace kx
