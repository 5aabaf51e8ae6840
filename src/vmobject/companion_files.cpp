#include "vmobject/companion_files.h"

#include "util/platform.h"

namespace kx {

std::filesystem::path Companion_Directory(const std::filesystem::path& program_directory) {
  std::error_code ignored;
  if (std::filesystem::exists(program_directory / kConfigurationFileName, ignored)) return program_directory;
  const std::filesystem::path share = program_directory / KX_SHARE_FROM_BIN;
  if (std::filesystem::exists(share / kConfigurationFileName, ignored)) return share.lexically_normal();
  return program_directory;
}

std::filesystem::path Program_Directory(const char* argv0) {
  const std::filesystem::path executable = platform::Executable_Path();
  if (!executable.empty()) return executable.parent_path();
  std::error_code error;
  return std::filesystem::absolute(platform::Text_Path(argv0 != nullptr ? argv0 : "."), error).parent_path();
}

}  // namespace kx
