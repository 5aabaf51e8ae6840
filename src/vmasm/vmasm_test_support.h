#pragma once

#include <optional>
#include <string>

#include "config/template_config.h"
#include "diagnostics/testing.h"
#include "util/format.h"
#include "vmasm/vmasm.h"
#include "vmopcode/vmopcode.h"

namespace kx::testing {

// A reader with its own contexts and folder, and a template with room to spare.
struct Reader {
  // Reads `script` as script.kxs; the line of the BuildFailure, or -1.
  int Read(const std::string& script) {
    try {
      vmasm.Read_Script(dir.Write("script.kxs", script).string(), config);
      return -1;
    } catch (const BuildFailure& failure) {
      return failure.line();
    }
  }

  // Writes the listing as listing.aout and returns its bytes.
  std::string Listing() {
    vmasm.Write_Listing((dir.path() / "listing.aout").string());
    return Read_File(dir.path() / "listing.aout");
  }

  // The message of a positioned diagnostic: its entries before the arrow
  // line, joined again where the layout broke them.
  std::string Message() const {
    std::string message;
    for (std::size_t i = 0; i < errors.entries.size() && errors.entries[i].rfind("-------", 0) != 0; ++i)
      message += (i > 0 ? " " : "") + errors.entries[i];
    return message;
  }

  CapturedContext errors{true, 94};
  CapturedContext notices{false, 94};
  VMOpcode catalogue{errors.context};
  // clang-format off
  TemplateConfig config{.name = "roomy", .dll_blank = "", .max_routine_count = 1000, .max_object_count = 1000,
      .name_array_rows = 1000, .name_array_cols = 256, .objective_array_rows = 1000,
      .objective_array_cols = 1024, .step_data_array_rows = 10000, .position_array_rows = 1000,
      .integer_array_rows = 1000};
  // clang-format on
  VMAsm vmasm{errors.context, notices.context, catalogue};
  TempDir dir;
};

// Every record the reader keeps, one a line, but the script lines of steps.
inline std::string Dump(const VMAsm& vmasm) {
  auto text = [](const std::string* text) { return text != nullptr ? "'" + *text + "'" : std::string("-"); };
  std::string dump;
  for (const auto* list : {&vmasm.objects(), &vmasm.positions(), &vmasm.variables(), &vmasm.texts()})
    for (const SymbolRecord& s : *list)
      dump += Format_Printf("%d %s=%d<%lld> %d,%d,%d %s\n", s.kind, s.name.c_str(), s.index,
                            s.array_count ? static_cast<long long>(*s.array_count) : -1LL, s.x, s.y, s.z,
                            text(s.text).c_str());
  for (const StringRecord& s : vmasm.strings())
    dump += Format_Printf("string %d '%s'\n", s.index, s.text.c_str());
  for (const RoutineRecord& r : vmasm.routines()) {
    dump += Format_Printf("routine %d %s %d %d %d:", r.index, r.name.c_str(), r.speed, r.priority, r.debug);
    for (const LabelRecord& l : r.body.labels) dump += Format_Printf(" %s=%d", l.name->c_str(), l.index);
    for (const StepRecord& step : r.body.steps) {
      dump += Format_Printf("\n  %s %d", text(vmasm.Name_Text(step.label)).c_str(), step.token);
      for (const Operand& o : step.operands)
        dump += Format_Printf(" %d/%d/%s", o.type, o.value(), text(vmasm.Operand_Text(o)).c_str());
    }
    dump += "\n";
  }
  return dump + Format_Printf("rows %d, strings %d\n", vmasm.step_count(), vmasm.string_count());
}

}  // namespace kx::testing
