#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vmasm/vmasm.h"
#include "vmcode/vmcode.h"
#include "vmcode/vmcode_testing.h"

namespace kx {
namespace {

using testing::Large_Script;
using Fault = Large_Script::Fault;
constexpr int kRoutines = Large_Script::kRoutines;

struct Compiled {
  std::vector<std::vector<StepData>> routines;
  std::string failure;
  int failure_line = 0;
};

Compiled Compile(const std::string& script) {
  testing::CapturedContext errors(true), notices(false);
  const TemplateConfig config = Large_Script::Config();
  VMOpcode catalogue(errors.context);
  VMAsm reader(errors.context, notices.context, catalogue);
  VMCode code(errors.context, catalogue);
  Compiled compiled;
  try {
    reader.Read_Script_Text("script.kxs", script, config);
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
  const Compiled compiled = Compile(Large_Script::Text());
  ASSERT_EQ(compiled.failure, "");
  ASSERT_EQ(compiled.routines.size(), std::size_t{kRoutines});
  for (int routine = 0; routine < kRoutines; ++routine) {
    const std::vector<StepData>& rows = compiled.routines[static_cast<std::size_t>(routine)];
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(Large_Script::Steps_Of(routine) + 1))
        << "routine " << routine;
    for (int step = 0; step + 1 < Large_Script::Steps_Of(routine); ++step) {
      const StepData expected{{2, Large_Script::Wait_Of(routine, step), 0, 0, 0}};
      ASSERT_EQ(rows[static_cast<std::size_t>(step)].words, expected.words) << routine << " " << step;
    }
    const StepData jump{{27, static_cast<std::int16_t>(Large_Script::First_Row_Of(routine)), 0, 0, 0}};
    EXPECT_EQ(rows[rows.size() - 2].words, jump.words) << "routine " << routine;
    EXPECT_EQ(rows.back().words, StepData{}.words) << "routine " << routine;
  }
}

// Routine and label operands are numbered a few hundred at a time: every
// one, backward or forward, in a routine or across routines, still leads to
// its own label.
TEST(VMCodeGenerate, ManyLabelOperandsLeadToTheirLabels) {
  constexpr int kSteps = 1500;
  auto target = [](int step) { return step * 7 % kSteps; };
  std::string script = "[objects]\n[positions]\n[variables]\n[text]\n[routine, R0, 0, true]\n";
  for (int step = 0; step < kSteps; ++step)
    script += Format_Printf("at_%d: JumpTo, at_%d\n", step, target(step));
  script += "[routine, R1, 0, true]\n";
  for (int step = 0; step < kSteps; ++step) script += Format_Printf("SetStep, R0, at_%d\n", target(step));
  const Compiled compiled = Compile(script);
  ASSERT_EQ(compiled.failure, "");
  ASSERT_EQ(compiled.routines.size(), std::size_t{2});
  for (int step = 0; step < kSteps; ++step) {
    const auto row = static_cast<std::int16_t>(target(step));
    ASSERT_EQ(compiled.routines[0][static_cast<std::size_t>(step)].words,
              (std::array<std::int16_t, 5>{27, row}))
        << step;
    ASSERT_EQ(compiled.routines[1][static_cast<std::size_t>(step)].words,
              (std::array<std::int16_t, 5>{31, 0, row}))
        << step;
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
       Large_Script::Line_Of(10, 5)},
      {{{0, 40000, "JumpTo, late"}, {3, 1, "JumpTo, later"}},
       "Location label 'late' not defined in routine 'R0'.",
       Large_Script::Line_Of(0, 40000)},
      {{{0, 7, "SetStep, R99, top"}, {9, 1, "JumpTo, later"}},
       "Routine label 'R99' not defined.",
       Large_Script::Line_Of(0, 7)},
  };
  for (const auto& test : cases) {
    const Compiled compiled = Compile(Large_Script::Text(test.faults));
    EXPECT_EQ(compiled.failure, test.message);
    EXPECT_EQ(compiled.failure_line, test.line);
  }
}

// The routines of a large script are scanned ahead of the reading on a
// second thread; a fault is still listed at its own line.
TEST(VMCodeGenerate, ReadingFaultOfALargeScriptIsListedAtItsLine) {
  const int line = Large_Script::Line_Of(9, 100);
  const Compiled compiled = Compile(Large_Script::Text({{9, 100, "Wait, x"}, {10, 1, "JumpTo, nowhere"}}));
  EXPECT_EQ(compiled.failure, "Found a literal when expecting an integer, or '-'.\n-------------v\n" +
                                  Format_Printf("%5d: Wait, x\n", line) +
                                  "\nPlease correct the error and try again.\n");
  EXPECT_EQ(compiled.failure_line, line);
}

}  // namespace
}  // namespace kx
