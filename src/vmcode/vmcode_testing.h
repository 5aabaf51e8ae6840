#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "config/template_config.h"
#include "vmasm/vmasm.h"
#include "vmcode/vmcode.h"
#include "diagnostics/testing.h"
#include "vmopcode/vmopcode.h"

// Templates, configurations and compiled scripts made by the tests themselves.
namespace kx::testing {

// Bytes of the test template DLL.
inline constexpr std::size_t kTemplateSize = 4096;

// A recognizable template: no byte is zero, and no two bytes closer than
// 251 positions are equal.
std::string Template_Bytes(std::size_t size = kTemplateSize);

// An entry named `name` whose arrays lie apart from each other inside a
// template of kTemplateSize bytes, with room for every test script.
TemplateConfig Test_Template(const std::string& name = "Test", const std::string& dll_blank = "template.dll");

// The configuration file text of the entries, in order.
std::string Configuration_Text(const std::vector<TemplateConfig>& entries);

// Bytes [offset, offset + size) of a file's content.
std::string Bytes_At(const std::string& content, std::size_t offset, std::size_t size);

// Little-endian encodings, for expected DLL bytes.
std::string Le16(int value);
std::string Le_Float(float value);

// A script read and compiled in a temporary folder that also holds the
// template file "template.dll".
struct CompiledScript {
  CompiledScript();

  // Reads `script` (as script.kxs) with `config` and generates its routines.
  // BuildFailure passes.
  void Compile(const std::string& script, const TemplateConfig& config = Test_Template());

  // The words of the RoutineData rows of all routines, in order.
  std::vector<std::vector<int>> Rows() const;

  TempDir folder;
  std::filesystem::path template_path;
  CapturedContext errors{true};
  CapturedContext notices{false};
  VMOpcode catalogue{errors.context};
  std::unique_ptr<TemplateConfig> config;
  std::unique_ptr<VMAsm> reader;
  std::unique_ptr<VMCode> code;
};

}  // namespace kx::testing
