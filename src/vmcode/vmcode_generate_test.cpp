#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vmasm/vmasm.h"
#include "vmcode/vmcode.h"
#include "vmcode/vmcode_testing.h"

namespace kx {
namespace {

// Enough steps to be compiled on two threads: routine R0 holds the first
// 50,000, so the cut halfway falls inside it, then come ten routines of 2,000.
constexpr int kRoutines = 11;
int Steps_Of(int routine) { return routine == 0 ? 50000 : 2000; }
std::int16_t Wait_Of(int routine, int step) {
  return static_cast<std::int16_t>((routine * 7919 + step) % 30000);
}

// Each step waits for a number of its own; the last one jumps back to the
// first, labelled top. `faults` replace the steps they name.
struct Fault {
  int routine = -1;
  int step = -1;
  const char* text = nullptr;
};
std::string Script(const std::vector<Fault>& faults = {}) {
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

// The line of step `step` of `routine` in Script().
int Line_Of(int routine, int step) {
  int line = 5;
  for (int before = 0; before < routine; ++before) line += Steps_Of(before) + 2;
  return line + 2 + step;
}

struct Compiled {
  std::vector<std::vector<StepData>> routines;
  std::string failure;
  int failure_line = 0;
};

Compiled Compile(const std::string& script) {
  testing::CapturedContext errors(true), notices(false);
  TemplateConfig config = testing::Test_Template();
  config.max_routine_count = kRoutines;
  config.step_data_array_rows = 100000;
  VMOpcode catalogue(errors.context);
  VMAsm reader(errors.context, notices.context, catalogue);
  VMCode code(errors.context, catalogue);
  reader.Read_Script_Text("script.kxs", script, config);
  Compiled compiled;
  try {
    code.Generate_Routines(reader);
  } catch (const BuildFailure& failure) {
    compiled.failure = errors.Text();
    compiled.failure_line = failure.line();
    return compiled;
  }
  for (const RoutineCode& routine : code.routines())
    compiled.routines.push_back(std::vector<StepData>(routine.steps.steps.begin(),
                                                      routine.steps.steps.begin() + routine.steps.count));
  return compiled;
}

TEST(VMCodeGenerate, LargeScriptCompilesEveryStepOnce) {
  const Compiled compiled = Compile(Script());
  ASSERT_EQ(compiled.failure, "");
  ASSERT_EQ(compiled.routines.size(), std::size_t{kRoutines});
  int first_row = 0;
  for (int routine = 0; routine < kRoutines; ++routine) {
    const std::vector<StepData>& rows = compiled.routines[static_cast<std::size_t>(routine)];
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(Steps_Of(routine) + 1)) << "routine " << routine;
    for (int step = 0; step + 1 < Steps_Of(routine); ++step) {
      const StepData expected{{2, Wait_Of(routine, step), 0, 0, 0}};
      ASSERT_EQ(rows[static_cast<std::size_t>(step)].words, expected.words) << routine << " " << step;
    }
    const StepData jump{{27, static_cast<std::int16_t>(first_row), 0, 0, 0}};
    EXPECT_EQ(rows[rows.size() - 2].words, jump.words) << "routine " << routine;
    EXPECT_EQ(rows.back().words, StepData{}.words) << "routine " << routine;
    first_row += Steps_Of(routine) + 1;
  }
}

// Whichever half of the steps a fault lies in, the first one in script
// order is the one reported, with the line of its step.
TEST(VMCodeGenerate, FirstFaultInScriptOrderIsReported) {
  const struct {
    std::vector<Fault> faults;
    const char* message;
    int line;
  } cases[] = {
      {{{10, 5, "JumpTo, nowhere"}},
       "Location label 'nowhere' not defined in routine 'R10'.",
       Line_Of(10, 5)},
      {{{0, 40000, "JumpTo, late"}, {3, 1, "JumpTo, later"}},
       "Location label 'late' not defined in routine 'R0'.",
       Line_Of(0, 40000)},
      {{{0, 7, "SetStep, R99, top"}, {9, 1, "JumpTo, later"}},
       "Routine label 'R99' not defined.",
       Line_Of(0, 7)},
  };
  for (const auto& test : cases) {
    const Compiled compiled = Compile(Script(test.faults));
    EXPECT_EQ(compiled.failure, test.message);
    EXPECT_EQ(compiled.failure_line, test.line);
  }
}

}  // namespace
}  // namespace kx
