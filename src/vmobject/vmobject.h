#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "config/template_config_parser.h"
#include "diagnostics/error_context.h"

namespace kx {

enum : int {
  VMBUILD_ASSEMBLER_LISTING = 1,  // "%s.aout"
  VMBUILD_C_LISTING = 2,          // "%s.c"
  VMBUILD_DLL = 3,                // "%s.dll"
  VMBUILD_CHECK = 4,              // reads and generates, writes nothing
};

class VMAsm;

// The build pipeline: one saved script to one output file.
class VMObject {
 public:
  VMObject(ErrorContext& errors, ErrorContext& notices, TemplateConfigParser& configurations);

  // Runs one build: catalogue, reader, generator, template lookup by exact
  // name, reading, generation, output. Failures leave by BuildFailure with
  // the script line (or 0); every stage is released on every path. The
  // output goes to `output_path`, or, when that is empty, beside the script
  // (VMBuild_Output_Path).
  void VMBuild(const std::filesystem::path& script_path, const std::string& template_name, int option,
               const std::filesystem::path& output_path = {});
  // The same for a script given as text (standard input), called
  // `script_name` in the build log. `output_path` is required unless the
  // option is VMBUILD_CHECK.
  void VMBuild_Text(const std::string& script_name, std::string_view script_text,
                    const std::string& template_name, int option, const std::filesystem::path& output_path);

  TemplateConfigParser& configurations() { return configurations_; }

 private:
  void Build(const std::filesystem::path& script_path,
             const std::function<void(VMAsm&, const TemplateConfig&)>& read, const std::string& template_name,
             int option, const std::filesystem::path& output_path);

  ErrorContext& errors_;
  ErrorContext& notices_;
  TemplateConfigParser& configurations_;
};

// The file a build writes: `output_path` when it is given, else the script
// path without its extension plus ".aout", ".c" or ".dll" by the option;
// empty for an option that writes nothing.
std::filesystem::path VMBuild_Output_Path(const std::filesystem::path& script_path, int option,
                                          const std::filesystem::path& output_path = {});

// The path without its extension: the last "." of the last path component,
// never its first character.
std::string Strip_Extension(const std::string& path);

}  // namespace kx
