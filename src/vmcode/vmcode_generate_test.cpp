#include <gtest/gtest.h>

#include "vmcode/vmcode.h"
#include "vmcode/vmcode_testing.h"

namespace kx {
namespace {

using Rows = std::vector<std::vector<int>>;
using Entries = std::vector<std::string>;

// player is object 0, wave objects 1 to 4, tank object 5.
const char* const kData =
    "[objects]\nplayer\nwave <4>\ntank\n[positions]\nbase, 100, -20, 3\nhome, 1, 2, 3\n"
    "[variables]\ncount, 0\nbig, 70000\n[text]\nintro, \"Hold.\\nWait.\"\nother, \"x\"\n";

TEST(VMCodeGenerate, EncodesEveryOperandType) {
  struct Case {
    const char* steps;
    Rows rows;
  };
  const Case cases[] = {
      {"", {{0, 0, 0, 0, 0}}},
      {"Wait,5", {{2, 5, 0, 0, 0}, {0, 0, 0, 0, 0}}},
      {"Wait,70000\nWait,-1", {{2, 4464, 0, 0, 0}, {2, -1, 0, 0, 0}, {0, 0, 0, 0, 0}}},
      {"GetPos,tank,home", {{50, 5, 1, 0, 0}, {0, 0, 0, 0, 0}}},
      {"Set,big,7\nAddAmmo,wave,-3", {{15, 1, 7, 0, 0}, {60, 1, -3, 0, 0}, {0, 0, 0, 0, 0}}},
      {"Audio,\"a\"\nAudio,\"b\"\nAudio,\"a\"",
       {{32, 0, 0, 0, 0}, {32, 1, 0, 0, 0}, {32, 0, 0, 0, 0}, {0, 0, 0, 0, 0}}},
      {"Display,intro,red\nDisplay,other,green,count",
       {{6, 0, 2, -1, -1}, {6, 1, 1, 0, -1}, {0, 0, 0, 0, 0}}},
      {"RunSpeed,Main,3,true\nRunSpeed,Main,3,false,true",
       {{9, 0, 3, 1, 0}, {9, 0, 3, 0, 1}, {0, 0, 0, 0, 0}}},
      {"GetAlt,base\nGetAlt,base,home", {{105, 0, -1, 0, 0}, {105, 0, 1, 0, 0}, {0, 0, 0, 0, 0}}},
      {"OnNewObject,0\nOnNewObject,5,Main,tank", {{120, 0, 0, 0, 0}, {120, 5, 0, 5, 0}, {0, 0, 0, 0, 0}}},
      {"here: IfEQ,true,here\nIfNE,7,here", {{12, 1, 0, 0, 0}, {13, 7, 0, 0, 0}, {0, 0, 0, 0, 0}}},
      {"RandJump,end\nRandJump,end,start\nstart: ChangeSide\nend:",
       {{87, 3, -1, -1, -1}, {87, 3, 2, -1, -1}, {40, 0, 0, 0, 0}, {0, 0, 0, 0, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.steps);
    testing::CompiledScript compiled;
    compiled.Compile(std::string(kData) + "[routine, Main, 1, true]\n" + c.steps + "\n");
    EXPECT_EQ(compiled.Rows(), c.rows);
    ASSERT_EQ(compiled.code->routines().count(), 1);
    EXPECT_EQ(compiled.code->routines().First()->steps.count, static_cast<int>(c.rows.size()));
  }
}

// Labels are absolute RoutineData rows: First takes rows 0 to 3, Second 4 to 8.
TEST(VMCodeGenerate, ResolvesLabelsAcrossRoutines) {
  testing::CompiledScript compiled;
  compiled.Compile(std::string(kData) +
                   "[routine,First,1,true]\n"
                   "top:    Wait,1\n"
                   "        SetStep,Second,later\n"  // the label is looked up in Second
                   "        JumpTo,top\n"            // the next step looks in First again
                   "[routine,Second,2,false]\n"
                   "start:  Wait,3\n"
                   "        JumpTo,later\n"  // a label further down
                   "later:  JumpTo,start\n"
                   "        IfGT,2,end\n"
                   "end:\n");
  EXPECT_EQ(compiled.Rows(), (Rows{{2, 1, 0, 0, 0},
                                   {31, 1, 6, 0, 0},
                                   {27, 0, 0, 0, 0},
                                   {0, 0, 0, 0, 0},
                                   {2, 3, 0, 0, 0},
                                   {27, 6, 0, 0, 0},
                                   {27, 4, 0, 0, 0},
                                   {11, 2, 8, 0, 0},
                                   {0, 0, 0, 0, 0}}));
}

int Failure_Line(testing::CompiledScript& compiled, const std::string& script) {
  try {
    compiled.Compile(script);
  } catch (const BuildFailure& failure) {
    return failure.line();
  }
  ADD_FAILURE() << "no BuildFailure was thrown";
  return -1;
}

TEST(VMCodeGenerate, ReportsUndefinedNamesWithTheStepLineAndNoHeader) {
  struct Case {
    const char* routines;
    int line;
    const char* message;
  };
  const Case cases[] = {
      {"[routine,A,1,true]\nWait,1\n\nJumpTo,nowhere\n", 17,
       "Location label 'nowhere' not defined in routine 'A'."},
      // The label exists only in A, the routine being compiled, not in B.
      {"[routine,A,1,true]\nown: Wait,1\nSetStep,B,own\n[routine,B,1,true]\n", 16,
       "Location label 'own' not defined in routine 'A'."},
      {"[routine,A,1,true]\nWait,1\nSetStep,\n  Nobody,top\n", 16, "Routine label 'Nobody' not defined."},
      {"[routine,A,1,true]\nRunSpeed,Elsewhere,1,true\n", 15, "Routine label 'Elsewhere' not defined."},
      {"[routine,A,1,true]\nRandJump,top,gone\ntop:\n", 15,
       "Location label 'gone' not defined in routine 'A'."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.routines);
    testing::CompiledScript compiled;
    EXPECT_EQ(Failure_Line(compiled, std::string(kData) + c.routines), c.line);
    EXPECT_EQ(compiled.errors.entries, Entries{c.message});
  }
}

}  // namespace
}  // namespace kx
