#include "vmobject/companion_files.h"

namespace kx {

std::filesystem::path Companion_Directory(const std::filesystem::path& program_directory) {
  std::error_code ignored;
  if (std::filesystem::exists(program_directory / kConfigurationFileName, ignored)) return program_directory;
  const std::filesystem::path share = program_directory / KX_SHARE_FROM_BIN;
  if (std::filesystem::exists(share / kConfigurationFileName, ignored)) return share.lexically_normal();
  return program_directory;
}

}  // namespace kx
