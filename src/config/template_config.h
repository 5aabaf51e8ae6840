#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "util/linked_list.h"

namespace kx {

// One template DLL: the file to copy, the capacity of each array and the
// byte offset of each array in the file. Values are stored as read.
struct TemplateConfig {
  std::string name;
  std::string dll_blank;
  std::int32_t max_routine_count = 0;
  std::int32_t max_object_count = 0;
  std::int32_t name_array_offset = 0;
  std::int32_t name_array_rows = 0;
  std::int32_t name_array_cols = 0;
  std::int32_t objective_array_offset = 0;
  std::int32_t objective_array_rows = 0;
  std::int32_t objective_array_cols = 0;
  std::int32_t step_data_array_offset = 0;
  std::int32_t step_data_array_rows = 0;
  std::int32_t position_array_offset = 0;
  std::int32_t position_array_rows = 0;
  std::int32_t integer_array_offset = 0;
  std::int32_t integer_array_rows = 0;
  std::int32_t routine_count_offset = 0;
  std::int32_t routine_speed_array_offset = 0;
  std::int32_t routine_priority_array_offset = 0;
  std::int32_t routine_offset_array_offset = 0;
  std::int32_t routine_debug_array_offset = 0;
};

// Compares the names byte by byte as unsigned characters: 1, 0 or -1.
int Compare_Template_Names(const TemplateConfig& a, const TemplateConfig& b);

// The entries of a configuration file, in file order.
class TemplateList : public LinkedList<TemplateConfig> {
 public:
  TemplateList() : LinkedList<TemplateConfig>(Compare_Template_Names) {}
  // The first entry with exactly this name (case-sensitive), or nullptr.
  const TemplateConfig* Find_By_Name(const std::string& name) const;
};

}  // namespace kx
