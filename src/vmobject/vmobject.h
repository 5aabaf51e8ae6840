#pragma once

#include <filesystem>
#include <string>

#include "config/template_config_parser.h"
#include "diagnostics/error_context.h"

namespace kx {

enum : int {
  VMBUILD_ASSEMBLER_LISTING = 1,  // "%s.aout"
  VMBUILD_C_LISTING = 2,          // "%s.c"
  VMBUILD_DLL = 3,                // "%s.dll"
};

// The build pipeline: one saved script to one output file.
class VMObject {
 public:
  VMObject(ErrorContext& errors, ErrorContext& notices, TemplateConfigParser& configurations);

  // Runs one build: catalogue, reader, generator, template lookup by exact
  // name, reading, generation, output. Failures leave by BuildFailure with
  // the script line (or 0); every stage is released on every path.
  void VMBuild(const std::filesystem::path& script_path, const std::string& template_name, int option);

  TemplateConfigParser& configurations() { return configurations_; }

 private:
  ErrorContext& errors_;
  ErrorContext& notices_;
  TemplateConfigParser& configurations_;
};

// The path without its extension: the last "." of the last path component,
// never its first character.
std::string Strip_Extension(const std::string& path);

}  // namespace kx
