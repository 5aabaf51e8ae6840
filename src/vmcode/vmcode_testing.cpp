#include "vmcode/vmcode_testing.h"

#include <bit>
#include <cstdint>

#include "util/format.h"

namespace kx::testing {

std::string Template_Bytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 251 + 1);
  return bytes;
}

TemplateConfig Test_Template(const std::string& name, const std::string& dll_blank) {
  TemplateConfig config;
  config.name = name;
  config.dll_blank = dll_blank;
  config.max_routine_count = 8;
  config.max_object_count = 16;
  config.step_data_array_offset = 0x1A0;
  config.step_data_array_rows = 32;
  config.routine_count_offset = 0x300;
  config.position_array_offset = 0x400;
  config.position_array_rows = 8;
  config.name_array_offset = 0x500;
  config.name_array_rows = 8;
  config.name_array_cols = 16;
  config.routine_speed_array_offset = 0x310;
  config.integer_array_offset = 0x600;
  config.integer_array_rows = 8;
  config.routine_priority_array_offset = 0x320;
  config.routine_offset_array_offset = 0x330;
  config.objective_array_offset = 0x7C0;
  config.objective_array_rows = 4;
  config.objective_array_cols = 32;
  config.routine_debug_array_offset = 0x340;
  return config;
}

std::string Configuration_Text(const std::vector<TemplateConfig>& entries) {
  std::string text = "template list {\n";
  for (const TemplateConfig& c : entries) {
    text += Format_Printf("  template entry \"%s\" {\n", c.name.c_str());
    text += Format_Printf("    dll blank \"%s\";\n", c.dll_blank.c_str());
    text += Format_Printf("    max routine count %d;\n", c.max_routine_count);
    text += Format_Printf("    max object count %d;\n", c.max_object_count);
    text += Format_Printf("    step data array offset 0x%X, rows %d;\n", c.step_data_array_offset,
                          c.step_data_array_rows);
    text += Format_Printf("    routine count offset 0x%X;\n", c.routine_count_offset);
    text += Format_Printf("    position array offset 0x%X, rows %d;\n", c.position_array_offset,
                          c.position_array_rows);
    text += Format_Printf("    name array offset 0x%X, rows %d, cols %d;\n", c.name_array_offset,
                          c.name_array_rows, c.name_array_cols);
    text += Format_Printf("    routine speed array offset 0x%X;\n", c.routine_speed_array_offset);
    text += Format_Printf("    integer array offset 0x%X, rows %d;\n", c.integer_array_offset,
                          c.integer_array_rows);
    text += Format_Printf("    routine priority array offset 0x%X;\n", c.routine_priority_array_offset);
    text += Format_Printf("    routine offset array offset 0x%X;\n", c.routine_offset_array_offset);
    text += Format_Printf("    objective array offset 0x%X, rows %d, cols %d;\n", c.objective_array_offset,
                          c.objective_array_rows, c.objective_array_cols);
    text += Format_Printf("    routine debug array offset 0x%X;\n", c.routine_debug_array_offset);
    text += "  }\n";
  }
  return text + "}\n";
}

std::string Bytes_At(const std::string& content, std::size_t offset, std::size_t size) {
  return offset < content.size() ? content.substr(offset, size) : std::string();
}

std::string Le16(int value) {
  const auto bits = static_cast<std::uint16_t>(value);
  return {static_cast<char>(bits & 0xFF), static_cast<char>(bits >> 8)};
}

std::string Le_Float(float value) {
  const auto bits = std::bit_cast<std::uint32_t>(value);
  std::string bytes;
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>((bits >> (8 * i)) & 0xFF);
  return bytes;
}

CompiledScript::CompiledScript() : template_path(folder.Write("template.dll", Template_Bytes())) {}

void CompiledScript::Compile(const std::string& script, const TemplateConfig& template_config) {
  config = std::make_unique<TemplateConfig>(template_config);
  reader = std::make_unique<VMAsm>(errors.context, notices.context, catalogue);
  code = std::make_unique<VMCode>(errors.context, catalogue);
  code->Set_Template_Directory(folder.path());
  reader->Read_Script(folder.Write("script.kxs", script).string(), *config);
  code->Generate_Routines(*reader);
}

std::vector<std::vector<int>> CompiledScript::Rows() const {
  std::vector<std::vector<int>> rows;
  for (const RoutineCode& routine : code->routines())
    for (std::int32_t r = 0; r < routine.steps.count; ++r) {
      const auto& words = routine.steps.steps[static_cast<std::size_t>(r)].words;
      rows.push_back({words[0], words[1], words[2], words[3], words[4]});
    }
  return rows;
}

}  // namespace kx::testing
