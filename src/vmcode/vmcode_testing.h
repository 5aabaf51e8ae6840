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

// A script large enough to be compiled and listed on two threads: routine R0
// holds the first 50,000 steps, so the cut halfway falls inside it, then come
// ten routines of 2,000. Each step waits for a number of its own; the last
// one jumps back to the first, labelled top.
struct Large_Script {
  static constexpr int kRoutines = 11;
  static int Steps_Of(int routine) { return routine == 0 ? 50000 : 2000; }
  static std::int16_t Wait_Of(int routine, int step) {
    return static_cast<std::int16_t>((routine * 7919 + step) % 30000);
  }

  // A step given in place of the one a script would have.
  struct Fault {
    int routine = -1;
    int step = -1;
    const char* text = nullptr;
  };
  static std::string Text(const std::vector<Fault>& faults = {}) {
    std::string text = "[objects]\n[positions]\n[variables]\n[text]\n";
    for (int routine = 0; routine < kRoutines; ++routine) {
      text += "[routine, R" + std::to_string(routine) + ", 0, true]\ntop:\n";
      for (int step = 0; step < Steps_Of(routine); ++step) {
        const char* replaced = nullptr;
        for (const Fault& fault : faults)
          if (fault.routine == routine && fault.step == step) replaced = fault.text;
        if (replaced != nullptr)
          text += std::string(replaced) + "\n";
        else if (step + 1 == Steps_Of(routine))
          text += "JumpTo, top\n";
        else
          text += "Wait, " + std::to_string(Wait_Of(routine, step)) + "\n";
      }
    }
    return text;
  }

  // The line of step `step` of `routine` in Text().
  static int Line_Of(int routine, int step) {
    int line = 5;
    for (int before = 0; before < routine; ++before) line += Steps_Of(before) + 2;
    return line + 2 + step;
  }

  // The first row of `routine`: each routine ends with its halt.
  static int First_Row_Of(int routine) {
    int row = 0;
    for (int before = 0; before < routine; ++before) row += Steps_Of(before) + 1;
    return row;
  }

  static TemplateConfig Config() {
    TemplateConfig config = Test_Template();
    config.max_routine_count = kRoutines;
    config.step_data_array_rows = 100000;
    return config;
  }
};

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
