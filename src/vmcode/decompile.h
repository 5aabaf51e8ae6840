#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "config/template_config.h"

namespace kx {

// A DLL that cannot be read back into a script. what() is one line that
// names the file and, for a fault in the tables, the table and the byte
// offset in the file: "mission.dll: RoutineData at 0x2A40: operation code
// 200 is not an operation".
class DecompileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the ten tables of `dll`, a DLL built for `config`, back into a
// script that builds into the same bytes, and returns the script's text
// (line feed line ends). `blank` is the bytes of the template DLL the entry
// names: a data row that no step refers to is part of the script only when
// it differs from the template's row. `dll_name` names the DLL in every
// error, and its last component in the script's opening comment. The DLL
// keeps no names, so routines, labels and symbols get made-up ones:
// routine_0, label_12 (the row it stands on), object_3, position_0,
// variable_1, text_2.
//
// Throws DecompileError when the tables are not those of a build for this
// entry, or hold something no script can express.
std::string Decompile_Dll(std::string_view dll, const TemplateConfig& config, std::string_view blank,
                          const std::string& dll_name);

// The same for the file at `dll_path`; the template DLL is found as a build
// finds it, a relative name in `template_directory` (empty: the current
// directory). Errors name the DLL as `dll_path` is written; a file that
// cannot be read is reported with the system's reason.
std::string Decompile_File(const std::filesystem::path& dll_path, const TemplateConfig& config,
                           const std::filesystem::path& template_directory);

}  // namespace kx
