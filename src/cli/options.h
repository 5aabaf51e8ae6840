#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "vmobject/vmobject.h"

namespace kx {

enum class CliAction { Build, List_Templates, Synopsis, Operations, Exports, Help, Version, Decompile };

// What one kestrixc command line asks for.
struct CliOptions {
  CliAction action = CliAction::Build;
  std::vector<std::string> scripts;          // Build: the scripts to build, in order; "-": standard input
  std::optional<std::string> output;         // the output of the one script (none: beside it), or the
                                             // script --decompile writes (none: standard output)
  std::optional<std::string> depfile;        // where the outputs' dependencies go, as make reads them
  std::optional<std::string> template_name;  // none: the first entry of the configuration
  int option = VMBUILD_DLL;                  // the build driver's option; --check: VMBUILD_CHECK
  std::optional<std::string> config;         // none: Kestrix.conf in the program's directory
  bool quiet = false;                        // print only failures
  std::string operation;                     // Synopsis: the operation's name
  std::string exports_file;                  // Exports: the DLL or shared object to read
  std::string decompile_file;                // Decompile: the built DLL to read back
};

// Bad command-line usage; what() is a one-line message.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses the arguments that follow the program name. Options may come before
// and after the scripts; a value follows its option as the next argument or
// is attached to it ("-tName", "--template=Name"); "--" ends the options; a
// repeated option keeps its last value. -h and --version win over every
// other request. The format of -o's file follows its extension unless
// --format is given. Throws UsageError.
CliOptions Parse_Options(const std::vector<std::string>& args);

// The usage and option summary, several lines, ending with a line break.
const char* Usage_Text();

}  // namespace kx
