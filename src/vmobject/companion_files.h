#pragma once

#include <filesystem>

namespace kx {

// The configuration file that both programs read beside themselves.
inline constexpr const char* kConfigurationFileName = "Kestrix.conf";

// The folder of a program's companion files (the configuration, the template
// DLLs, the operations page): the program's own folder, or, for an installed
// program whose folder holds no configuration, its share folder
// (<prefix>/share/kestrix) when that one holds it.
std::filesystem::path Companion_Directory(const std::filesystem::path& program_directory);

// The folder of the running program: the executable's, or, when the system
// cannot name it, the folder of `argv0` (nullptr: the current folder).
std::filesystem::path Program_Directory(const char* argv0);

}  // namespace kx
