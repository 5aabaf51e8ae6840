// Any table bytes read back as a DLL of a small template: the first input
// byte chooses whether the file ends with the input, the rest is laid over
// the tables. A DLL that is refused gets one line naming it; a DLL that is
// read back gives a script that builds, into the same bytes in every
// element the script declares, and the rebuilt DLL reads back into the
// same script.
#include <algorithm>

#include "config/template_config.h"
#include "fuzz_support.h"
#include "vmasm/vmasm.h"
#include "vmcode/decompile.h"
#include "vmcode/vmcode.h"

namespace {

using kx::fuzz::Finding;

constexpr std::size_t kTemplateSize = 0x200;
constexpr std::size_t kTables = 0x40;  // where the tables begin, one after another

// The limits of the script harness's template: 4 routines, 24 rows, 8
// objects, 4 strings of 12 bytes, 3 texts of 20, 4 positions, 4 variables.
const kx::TemplateConfig& Fixed_Template() {
  // clang-format off
  static const kx::TemplateConfig config{
      .name = "fuzz", .dll_blank = "template.dll", .max_routine_count = 4, .max_object_count = 8,
      .name_array_offset = 0x182, .name_array_rows = 4, .name_array_cols = 12,
      .objective_array_offset = 0x1B2, .objective_array_rows = 3, .objective_array_cols = 20,
      .step_data_array_offset = 0x5A, .step_data_array_rows = 24,
      .position_array_offset = 0x14A, .position_array_rows = 4,
      .integer_array_offset = 0x17A, .integer_array_rows = 4,
      .routine_count_offset = 0x40, .routine_speed_array_offset = 0x42,
      .routine_priority_array_offset = 0x4A, .routine_offset_array_offset = 0x52,
      .routine_debug_array_offset = 0x4E};
  // clang-format on
  return config;
}

// The template file: bytes 1 to 251 over and over, but in the tables the
// marks its author left, as in the sample template: -1 words and floats,
// true flags and the text "-", which rows a build does not write keep.
std::string Blank() {
  const kx::TemplateConfig& c = Fixed_Template();
  std::string bytes = kx::fuzz::Read_File(kx::fuzz::Write_Template("template.dll", kTemplateSize));
  auto fill = [&bytes](std::int32_t offset, std::size_t rows, const std::string& row) {
    for (std::size_t r = 0; r < rows; ++r)
      bytes.replace(static_cast<std::size_t>(offset) + r * row.size(), row.size(), row);
  };
  const std::string minus_one = "\xFF\xFF", minus_one_float("\0\0\x80\xBF", 4);
  fill(c.step_data_array_offset, 5 * static_cast<std::size_t>(c.step_data_array_rows), minus_one);
  fill(c.routine_count_offset, 1, minus_one);
  fill(c.routine_speed_array_offset, 4, minus_one);
  fill(c.routine_offset_array_offset, 4, minus_one);
  fill(c.routine_priority_array_offset, 4, "\1");
  fill(c.routine_debug_array_offset, 4, "\1");
  fill(c.position_array_offset, 12, minus_one_float);
  fill(c.integer_array_offset, 4, minus_one);
  fill(c.name_array_offset, 4, "-" + std::string(11, '\0'));
  fill(c.objective_array_offset, 3, "-" + std::string(19, '\0'));
  kx::fuzz::Write("template.dll", bytes);
  return bytes;
}

// The script built into a DLL, and the reader's counts of what it declares.
struct Rebuilt {
  std::string dll;
  std::size_t routines = 0, rows = 0, positions = 0, variables = 0, strings = 0, texts = 0;
};

Rebuilt Build(const std::string& script) {
  kx::fuzz::CheckedContext errors(true, 94), notices(false, 94);
  kx::VMOpcode catalogue(errors.context);
  kx::VMAsm reader(errors.context, notices.context, catalogue);
  kx::VMCode code(errors.context, catalogue);
  code.Set_Template_Directory(kx::fuzz::Work_Folder().path());
  const std::filesystem::path path = kx::fuzz::Work_Folder().path() / "rebuilt.dll";
  try {
    reader.Read_Script_Text("decompiled.kxs", script, Fixed_Template());
    code.Generate_Routines(reader);
    code.Write_Output(path.string(), kx::VMCODE_DLL);
  } catch (const kx::BuildFailure&) {
    Finding("the script read back does not build:\n" + script);
  }
  auto count = [](const auto& list) { return static_cast<std::size_t>(list.count()); };
  return {
      kx::fuzz::Read_File(path), count(reader.routines()),  static_cast<std::size_t>(reader.step_count()),
      count(reader.positions()), count(reader.variables()), static_cast<std::size_t>(reader.string_count()),
      count(reader.texts())};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string blank = Blank();
  if (size == 0) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string dll = blank;
  dll.replace(kTables, std::min(input.size(), kTemplateSize - kTables),
              input.substr(0, kTemplateSize - kTables));
  if (data[0] & 1) dll.resize(std::min(dll.size(), kTables + input.size()));

  const kx::TemplateConfig& config = Fixed_Template();
  std::string script;
  try {
    script = kx::Decompile_Dll(dll, config, blank, "fuzz.dll");
  } catch (const kx::DecompileError& error) {
    const std::string message = error.what();
    if (message.rfind("fuzz.dll: ", 0) != 0 || message.find('\n') != std::string::npos)
      Finding("an error that is not one line naming the DLL: " + message);
    return 0;
  }
  const Rebuilt rebuilt = Build(script);
  try {
    if (kx::Decompile_Dll(rebuilt.dll, config, blank, "fuzz.dll") != script)
      Finding("the rebuilt DLL reads back into another script:\n" + script);
  } catch (const kx::DecompileError& error) {
    Finding(std::string("the rebuilt DLL is refused: ") + error.what() + "\n" + script);
  }
  // Each table's elements that the script declares, as offset, size.
  const std::pair<std::int32_t, std::size_t> declared[] = {
      {config.routine_count_offset, 2},
      {config.routine_speed_array_offset, 2 * rebuilt.routines},
      {config.routine_priority_array_offset, rebuilt.routines},
      {config.routine_debug_array_offset, rebuilt.routines},
      {config.routine_offset_array_offset, 2 * rebuilt.routines},
      {config.step_data_array_offset, kx::kStepDataSize * rebuilt.rows},
      {config.position_array_offset, 12 * rebuilt.positions},
      {config.integer_array_offset, 2 * rebuilt.variables},
      {config.name_array_offset, static_cast<std::size_t>(config.name_array_cols) * rebuilt.strings},
      {config.objective_array_offset, static_cast<std::size_t>(config.objective_array_cols) * rebuilt.texts}};
  for (const auto& [offset, bytes] : declared)
    if (dll.substr(static_cast<std::size_t>(offset), bytes) !=
        rebuilt.dll.substr(static_cast<std::size_t>(offset), bytes))
      Finding("the rebuilt DLL differs at table offset " + std::to_string(offset) + ":\n" + script);
  return 0;
}
