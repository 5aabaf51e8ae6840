#pragma once

#include <cstdint>
#include <vector>

#include "config/template_config.h"

namespace kx::testing {

// One of the ten tables of a template: its exported name, the configuration
// field holding its offset, and its size in bytes as an entry declares it.
struct TemplateTable {
  const char* symbol;
  std::int32_t TemplateConfig::*offset;
  std::int64_t bytes;
};

// The ten tables as `config` places and sizes them.
inline std::vector<TemplateTable> Tables_Of(const TemplateConfig& c) {
  const std::int64_t routines = c.max_routine_count;
  return {
      {"RoutineData", &TemplateConfig::step_data_array_offset, 10LL * c.step_data_array_rows},
      {"NumberOfRoutines", &TemplateConfig::routine_count_offset, 2},
      {"GlobalRoutineSpeed", &TemplateConfig::routine_speed_array_offset, 2 * routines},
      {"GlobalRoutinePriority", &TemplateConfig::routine_priority_array_offset, routines},
      {"RoutineOffset", &TemplateConfig::routine_offset_array_offset, 2 * routines},
      {"DebugText", &TemplateConfig::routine_debug_array_offset, routines},
      {"GlobalVectorArray", &TemplateConfig::position_array_offset, 12LL * c.position_array_rows},
      {"NameArray", &TemplateConfig::name_array_offset, std::int64_t{c.name_array_rows} * c.name_array_cols},
      {"GlobalIntegerArray", &TemplateConfig::integer_array_offset, 2LL * c.integer_array_rows},
      {"ObjectiveArray", &TemplateConfig::objective_array_offset,
       std::int64_t{c.objective_array_rows} * c.objective_array_cols},
  };
}

}  // namespace kx::testing
