// A script through the reader, the generator and all three writers, against
// a fixed template configuration and a small template file made once. A
// script that is read is also read back from its own assembler listing,
// which must give the same listing, C listing and DLL.
#include <algorithm>

#include "config/template_config.h"
#include "fuzz_support.h"
#include "vmasm/vmasm.h"
#include "vmcode/vmcode.h"

namespace {

using kx::fuzz::Finding;

constexpr std::size_t kTemplateSize = 0x240;

// Small limits, so that inputs reach every one of them: 4 names of 12 bytes,
// 3 objectives of 20, 24 steps of 10 bytes and 4 positions of 12. The
// template file is made in the work folder at the first call.
const kx::TemplateConfig& Fixed_Template() {
  static const kx::TemplateConfig config = [] {
    kx::fuzz::Write_Template("template.dll", kTemplateSize);
    // clang-format off
    return kx::TemplateConfig{
        .name = "fuzz", .dll_blank = "template.dll", .max_routine_count = 4, .max_object_count = 8,
        .name_array_offset = 0x190, .name_array_rows = 4, .name_array_cols = 12,
        .objective_array_offset = 0x1D0, .objective_array_rows = 3, .objective_array_cols = 20,
        .step_data_array_offset = 0x40, .step_data_array_rows = 24,
        .position_array_offset = 0x160, .position_array_rows = 4,
        .integer_array_offset = 0x1C0, .integer_array_rows = 4,
        .routine_count_offset = 0x130, .routine_speed_array_offset = 0x134,
        .routine_priority_array_offset = 0x140, .routine_offset_array_offset = 0x148,
        .routine_debug_array_offset = 0x150};
    // clang-format on
  }();
  return config;
}

// Builds `script` into `stem`.aout, .c and .dll and returns their contents
// joined; empty when the build fails (with a diagnostic, or that is a finding).
std::string Build(const std::string& script, const std::string& stem, std::size_t lines) {
  const kx::TemplateConfig& config = Fixed_Template();
  const std::filesystem::path& folder = kx::fuzz::Work_Folder().path();
  kx::fuzz::CheckedContext errors(true, 94), notices(false, 94);
  kx::VMOpcode catalogue(errors.context);
  try {
    kx::VMAsm reader(errors.context, notices.context, catalogue);
    kx::VMCode code(errors.context, catalogue);
    code.Set_Template_Directory(folder);
    reader.Read_Script(script, config);
    code.Generate_Routines(reader);
    reader.Write_Listing((folder / (stem + ".aout")).string());
    code.Write_Output((folder / (stem + ".c")).string(), kx::VMCODE_C_LISTING);
    code.Write_Output((folder / (stem + ".dll")).string(), kx::VMCODE_DLL);
  } catch (const kx::BuildFailure& failure) {
    if (errors.entries == 0) Finding("a build failure without a diagnostic");
    if (failure.line() < 0 || static_cast<std::size_t>(failure.line()) > lines)
      Finding("a failure line outside the script: " + std::to_string(failure.line()));
    if (kx::fuzz::Temporaries_Left()) Finding("a temporary file left behind");
    return {};
  }
  if (errors.entries != 0) Finding("a diagnostic without a failure");
  if (kx::fuzz::Temporaries_Left()) Finding("a temporary file left behind");
  const std::string dll = kx::fuzz::Read_File(folder / (stem + ".dll"));
  if (dll.size() != kTemplateSize) Finding("the DLL is not the size of its template");
  return kx::fuzz::Read_File(folder / (stem + ".aout")) + "\n--- C ---\n" +
         kx::fuzz::Read_File(folder / (stem + ".c")) + "\n--- DLL ---\n" + dll;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string first =
      Build(kx::fuzz::Write("script.kxs", input), "script", 1 + std::count(input.begin(), input.end(), '\n'));
  if (first.empty()) return 0;
  // The listing is a script that reads back to the same records; any failure to read it is a finding.
  const std::string again =
      Build((kx::fuzz::Work_Folder().path() / "script.aout").string(), "again", first.size());
  if (again.empty()) Finding("the listing does not read back");
  if (again != first) Finding("the outputs of the listing differ");
  return 0;
}
