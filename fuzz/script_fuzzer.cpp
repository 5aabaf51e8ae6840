// A script through the reader, the generator and all three writers, against
// a fixed template configuration and a small template file made once. A
// script that is read is also read back from its own assembler listing,
// which must give the same listing, C listing and DLL.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/template_config.h"
#include "fuzz_support.h"
#include "vmasm/vmasm.h"
#include "vmcode/vmcode.h"
#include "diagnostics/build_failure.h"
#include "vmopcode/vmopcode.h"

namespace {

using kx::fuzz::Finding;

constexpr std::size_t kTemplateSize = 0x240;

// Small limits, so that inputs reach every one of them.
kx::TemplateConfig Fixed_Template() {
  kx::TemplateConfig config;
  config.name = "fuzz";
  config.dll_blank = "template.dll";  // found in the work folder
  config.max_routine_count = 4;
  config.max_object_count = 8;
  config.step_data_array_offset = 0x40;  // 24 rows of 10 bytes
  config.step_data_array_rows = 24;
  config.routine_count_offset = 0x130;
  config.routine_speed_array_offset = 0x134;
  config.routine_priority_array_offset = 0x140;
  config.routine_offset_array_offset = 0x148;
  config.routine_debug_array_offset = 0x150;
  config.position_array_offset = 0x160;  // 4 rows of 12 bytes
  config.position_array_rows = 4;
  config.name_array_offset = 0x190;  // 4 rows of 12 bytes
  config.name_array_rows = 4;
  config.name_array_cols = 12;
  config.integer_array_offset = 0x1C0;
  config.integer_array_rows = 4;
  config.objective_array_offset = 0x1D0;  // 3 rows of 20 bytes
  config.objective_array_rows = 3;
  config.objective_array_cols = 20;
  return config;
}

struct Outputs {
  std::string listing;
  std::string c;
  std::string dll;
};

struct Fixture {
  Fixture() : config(Fixed_Template()) {
    std::string bytes(kTemplateSize, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i % 251 + 1);
    kx::fuzz::Write_File(config.dll_blank, bytes);
  }
  kx::TemplateConfig config;
};

// Builds `script` into the three outputs `stem`.aout, .c and .dll; false
// when the build fails (with a diagnostic, or that is a finding).
bool Build(const Fixture& fixture, const std::string& script, const std::string& stem, Outputs& outputs,
           std::size_t input_lines) {
  const std::filesystem::path folder = kx::fuzz::Work_Folder();
  kx::fuzz::CheckedContext errors(true, 94);
  kx::fuzz::CheckedContext notices(false, 94);
  kx::VMOpcode catalogue(*errors.context);
  try {
    kx::VMAsm reader(*errors.context, *notices.context, catalogue);
    kx::VMCode code(*errors.context, catalogue);
    code.Set_Template_Directory(folder);
    reader.Read_Script(script, fixture.config);
    code.Generate_Routines(reader);
    reader.Write_Listing((folder / (stem + ".aout")).string());
    code.Write_Output((folder / (stem + ".c")).string(), kx::VMCODE_C_LISTING);
    code.Write_Output((folder / (stem + ".dll")).string(), kx::VMCODE_DLL);
  } catch (const kx::BuildFailure& failure) {
    if (errors.sink->entries() == 0) Finding("a build failure without a diagnostic");
    if (failure.line() < 0 || static_cast<std::size_t>(failure.line()) > input_lines)
      Finding("a failure line outside the script: " + std::to_string(failure.line()));
    if (kx::fuzz::Temporaries_Left(folder)) Finding("a temporary file left behind");
    return false;
  }
  if (errors.sink->entries() != 0) Finding("a diagnostic without a failure");
  if (kx::fuzz::Temporaries_Left(folder)) Finding("a temporary file left behind");
  outputs.listing = kx::fuzz::Read_File(folder / (stem + ".aout"));
  outputs.c = kx::fuzz::Read_File(folder / (stem + ".c"));
  outputs.dll = kx::fuzz::Read_File(folder / (stem + ".dll"));
  if (outputs.dll.size() != kTemplateSize) Finding("the DLL is not the size of its template");
  return true;
}

std::size_t Line_Count(const std::string& text) {
  std::size_t lines = 1;
  for (char c : text) lines += c == '\n';
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Fixture fixture;
  const std::string script = kx::fuzz::Write_Input("script.kxs", data, size);
  std::size_t input_lines = 1;
  for (std::size_t i = 0; i < size; ++i) input_lines += data[i] == '\n';

  Outputs first;
  if (!Build(fixture, script, "script", first, input_lines)) return 0;

  // The listing is a script that reads back to the same records.
  Outputs again;
  const std::string listing = (kx::fuzz::Work_Folder() / "script.aout").string();
  if (!Build(fixture, listing, "again", again, Line_Count(first.listing)))
    Finding("the listing does not read back");
  if (again.listing != first.listing) Finding("the listing of the listing differs");
  if (again.c != first.c) Finding("the C listing of the listing differs");
  if (again.dll != first.dll) Finding("the DLL of the listing differs");
  return 0;
}
