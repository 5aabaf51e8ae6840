#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "config/template_config.h"
#include "diagnostics/testing.h"
#include "util/format.h"

// Templates and configurations made by the tests themselves.
namespace kx::testing {

// A template of 4096 bytes: no byte is zero, and no two bytes closer than
// 251 positions are equal.
inline constexpr std::size_t kTemplateSize = 4096;
inline std::string Template_Bytes() {
  std::string bytes(kTemplateSize, '\0');
  for (std::size_t i = 0; i < kTemplateSize; ++i) bytes[i] = static_cast<char>(i % 251 + 1);
  return bytes;
}

// An entry whose arrays lie apart inside Template_Bytes().
// clang-format off
inline TemplateConfig Test_Template(const std::string& name = "Test",
                                    const std::string& dll_blank = "template.dll") {
  return {.name = name, .dll_blank = dll_blank, .max_routine_count = 8, .max_object_count = 16,
          .name_array_offset = 0x500, .name_array_rows = 8, .name_array_cols = 16,
          .objective_array_offset = 0x7C0, .objective_array_rows = 4, .objective_array_cols = 32,
          .step_data_array_offset = 0x1A0, .step_data_array_rows = 32, .position_array_offset = 0x400,
          .position_array_rows = 8, .integer_array_offset = 0x600, .integer_array_rows = 8,
          .routine_count_offset = 0x30A, .routine_speed_array_offset = 0x310,
          .routine_priority_array_offset = 0x320, .routine_offset_array_offset = 0x330,
          .routine_debug_array_offset = 0x340};
}
// clang-format on

// The configuration file text of the entries, in order.
inline std::string Configuration_Text(const std::vector<TemplateConfig>& entries) {
  std::string text = "template list {\n";
  for (const TemplateConfig& c : entries)
    text += Format_Printf(
        "  template entry \"%s\" {\n    dll blank \"%s\";\n    max routine count %d;\n"
        "    max object count %d;\n    step data array offset 0x%X, rows %d;\n    routine count offset "
        "0x%X;\n"
        "    position array offset 0x%X, rows %d;\n    name array offset 0x%X, rows %d, cols %d;\n"
        "    routine speed array offset 0x%X;\n    integer array offset 0x%X, rows %d;\n"
        "    routine priority array offset 0x%X;\n    routine offset array offset 0x%X;\n"
        "    objective array offset 0x%X, rows %d, cols %d;\n    routine debug array offset 0x%X;\n  }\n",
        c.name.c_str(), c.dll_blank.c_str(), c.max_routine_count, c.max_object_count,
        c.step_data_array_offset, c.step_data_array_rows, c.routine_count_offset, c.position_array_offset,
        c.position_array_rows, c.name_array_offset, c.name_array_rows, c.name_array_cols,
        c.routine_speed_array_offset, c.integer_array_offset, c.integer_array_rows,
        c.routine_priority_array_offset, c.routine_offset_array_offset, c.objective_array_offset,
        c.objective_array_rows, c.objective_array_cols, c.routine_debug_array_offset);
  return text + "}\n";
}

// Little-endian encodings, for expected DLL bytes.
inline std::string Le16(std::initializer_list<int> words) {
  std::string bytes;
  for (int word : words) bytes += {static_cast<char>(word & 0xFF), static_cast<char>((word >> 8) & 0xFF)};
  return bytes;
}
inline std::string Le_Float(std::initializer_list<float> values) {
  std::string bytes;
  for (float value : values)
    for (int i = 0; i < 4; ++i)
      bytes += static_cast<char>((std::bit_cast<std::uint32_t>(value) >> (8 * i)) & 0xFF);
  return bytes;
}

}  // namespace kx::testing
