#pragma once

#include <filesystem>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace kx {

enum : int {
  KESTRIXC_SUCCESS = 0,
  KESTRIXC_BUILD_FAILED = 1,
  KESTRIXC_BAD_USAGE = 2,  // also: a configuration that cannot be read
};

// The kestrixc command: runs with the arguments that follow the program name
// and returns the exit status. `in` is read for the script "-".
//
// `out` receives the build log, one entry a line (with --quiet only the
// failure diagnostics), and the listings that the options ask for. `err`
// receives configuration diagnostics (wrapped at 79), usage messages and, as
// the last line of each failed build, "SCRIPT:LINE: error: build failed" or
// "SCRIPT: error: build failed" when the failure has no script line (SCRIPT
// "<stdin>" for standard input); of a
// configuration that cannot be read, "CONFIG:LINE: error: configuration not
// read" or "CONFIG: error: configuration not read", CONFIG as given or found.
int Run_Kestrixc(const std::vector<std::string>& args, const std::filesystem::path& program_directory,
                 std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace kx
