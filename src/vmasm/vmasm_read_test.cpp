#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "vmasm/vmasm_test_support.h"

namespace kx {
namespace {

using testing::Reader;

// Data sections on line 1, then a routine header on line 2: its first step is on line 3.
const std::string kData = "[objects] tank wave<3> [positions] p,1,2,3 [variables] v,0 w,1 [text] t,\"T\"\n";
const std::string kR = kData + "[routine,R,1,true]\n";

struct Failure {
  std::string script;
  int line;
  std::string message;
  std::int32_t TemplateConfig::*limit = nullptr;  // narrowed to `value`
  int value = 0;
};

// Every refusal of the reader: its message and the line it stops on; the
// closing notice comes only after a successful read.
TEST(VMAsmRead, RefusalsReportTheirMessageAndLine) {
  const std::string tail = " set for the target template DLL output file.";
  const std::string objects = "The object count exceeds the limit of 4 objects" + tail;
  const std::string rows = " array row size exceeds the limit of ";
  const std::string cols = " array column size exceeds the limit of ";
  const std::string steps =
      "Number of opcodes including the terminating halt instruction for each routine exceeds the storage "
      "limit of ";
  const std::string step =
      " when expecting a literal, '[', 'Add', 'AddAmmo', ..., 'Wait', or an end of file.";
  const std::string end = "[objects][positions][variables][text]\n[routine,R,1,true]\n";
  using C = TemplateConfig;
  const Failure failures[] = {
      // Each limit holds exactly: the line is that of the first entry beyond it.
      {"[objects]\na\nb<3>\nc\n[positions]\n", 4, objects, &C::max_object_count, 4},
      {"[objects]\na\nb <\n4294967295>\n", 4, objects, &C::max_object_count, 4},  // on its count, not wrapped
      {"[objects]\na\n", 2, "The object count exceeds the limit of -1 objects" + tail, &C::max_object_count,
       -1},
      {"[objects]\n[positions]\na,1,2,3\nb,1,2,3\nc,\n1,2,3\n", 5, "The position" + rows + "2 rows" + tail,
       &C::position_array_rows, 2},
      {"[objects][positions][variables]\na,1\nb,2\n", 3, "The integer" + rows + "1 rows" + tail,
       &C::integer_array_rows, 1},
      {"[objects][positions][variables][text]\na,\"\"\nb,\"\"\n", 3, "The objective" + rows + "1 rows" + tail,
       &C::objective_array_rows, 1},
      {"[objects][positions][variables][text]\nok,\"123456\\n89\"\nlong,\n\"1234567890\"\n", 4,
       "The objective" + cols + "9 columns" + tail, &C::objective_array_cols, 10},
      {"[objects][positions][variables][text]\na,\"\"\n", 2, "The objective" + cols + "-1 columns" + tail,
       &C::objective_array_cols, 0},
      {kR + "Audio,\"abc\"\nAudio,\n\"abcd\"\n", 5, "The name" + cols + "3 columns" + tail,
       &C::name_array_cols, 4},
      {kR + "Audio,\"a\"\nAudio,\"a\"\nAudio,\"A\"\n", 5, "The name" + rows + "1 rows" + tail,
       &C::name_array_rows, 1},
      {end + "\n[\nroutine,S,1,true]\n", 4, "The number of routine exceeds the limit of 1 routines" + tail,
       &C::max_routine_count, 1},
      {end + "Wait,1\nWait,2\nWait,3\n\n\n", 5, steps + "3 opcodes" + tail, &C::step_data_array_rows, 3},
      {end + "Wait,1\n[routine,S,1,true]\nWait,1\nWait,2\n", 6, steps + "4 opcodes" + tail,
       &C::step_data_array_rows, 4},
      {end + "Wait,1\n[routine,S,1,true\n]\n\n\n", 5, steps + "2 opcodes" + tail, &C::step_data_array_rows,
       2},
      // Names defined twice, or never.
      {"[objects]\na\nb\na\n", 4, "The object label 'a' had been defined previously."},
      {"[objects][positions]\na,1,2,3\na,1,2,3\n", 3, "The position label 'a' had been defined previously."},
      {"[objects]\na\n[positions][variables]\na,1\n\na,1\n", 6,
       "The variable label 'a' had been defined previously."},
      {"[objects][positions][variables][text]\na,\"\"\na,\"\"\n", 3,
       "The text label 'a' had been defined previously."},
      {kR + "[routine,\nR,1,true]\n", 4, "The routine label 'R' had been defined previously."},
      {kR + "a: Wait,1\nb:\na:\n", 5, "The location label 'a' had been defined previously in this routine."},
      {kR + "Remove,tank\nRemove,\nghost\n", 5, "The symbol 'ghost' not defined in 'object' list."},
      {kR + "Set,tank,1\n", 3, "The symbol 'tank' not defined in 'variable' list."},
      {kR + "GetPos,tank,v\n", 3, "The symbol 'v' not defined in 'position' list."},
      {kR + "Display,p,red\n", 3, "The symbol 'p' not defined in 'text' list."},
      {kR + "Mult,v,2,x\n", 3, "The symbol 'x' not defined in 'variable' list."},
      // Tokens out of place.
      {"[positions]\n[objects]\n", 1, "Found 'positions' when expecting 'objects'."},
      {"[objects][positions][variables][text]\n", 1,
       "Found an end of file when expecting a literal, or '['."},
      {"[objects]\na 5\n", 2, "Found an integer when expecting a literal, '[', or '<'."},
      {"[objects][positions]\np,1,x,3\n", 2, "Found a literal when expecting an integer, or '-'."},
      {"[objects][positions][variables]\nv,-\n2147483649\n", 3, "Integer value less than -2147483648."},
      {kData + "[routine,R,1,5]\n", 2, "Found an integer when expecting 'true', or 'false'."},
      {kData + "[routine,R,1,true 5]\n", 2, "Found an integer when expecting ',', or ']'."},
      {kR + "Wait,1\n5\n", 4, "Found an integer" + step},
      {"[objects]\nred\n[positions][variables][text]\n[routine,R,1,true]\nRemove,red\n", 5,
       "Found 'red' when expecting a literal."},          // a colour in a routine
      {kR + "OnNewObject,0,R\n", 3, "Found ','" + step},  // a zero ends the step
      {kR + "IfEQ,-5,done\n", 3, "Found '-' when expecting an integer, 'true', or 'false'."},
      {kR + "Display,t,blue\n", 3, "Found a literal when expecting 'white', 'green', or 'red'."},
  };
  for (const Failure& failure : failures) {
    SCOPED_TRACE(failure.script);
    Reader reader;
    if (failure.limit) reader.config.*failure.limit = failure.value;
    EXPECT_EQ(reader.Read(failure.script), failure.line);
    EXPECT_EQ(reader.Message(), failure.message);
    EXPECT_EQ(reader.notices.entries.size(), 2u);
  }
}

// A symbol operand holds its symbol's text and word (the low 16 bits of its
// index) in lists of any length, with arrays among the objects.
TEST(VMAsmRead, SymbolOperandsHoldTheirTextAndWord) {
  Reader reader;
  reader.config.integer_array_rows = 70000;
  std::string script = "[objects] a arr<3> b [positions] [variables]\n";
  for (int variable = 0; variable < 70000; ++variable) script += Format_Printf("v%d,0\n", variable);
  script += "[text]\n[routine,R,1,true]\nRemove,b\n";
  const struct {
    int variable;
    std::uint16_t word;
  } uses[] = {{0, 0}, {65534, 65534}, {65535, 65535}, {69999, 4463}};
  for (const auto& use : uses) script += Format_Printf("Set,v%d,1\n", use.variable);
  ASSERT_EQ(reader.Read(script), -1) << reader.Message();
  const RoutineBody& body = reader.vmasm.routines().begin()->body;
  const Operand& object = body.steps[0].operands[0];
  EXPECT_EQ(*reader.vmasm.Operand_Text(object), "b");
  EXPECT_EQ(object.word, 4);
  for (std::size_t at = 0; at < std::size(uses); ++at) {
    const Operand& variable = body.steps[at + 1].operands[0];
    EXPECT_EQ(*reader.vmasm.Operand_Text(variable), Format_Printf("v%d", uses[at].variable));
    EXPECT_EQ(variable.word, uses[at].word) << uses[at].variable;
  }
}

TEST(VMAsmRead, AFailedRoutineIsDiscardedAndTheFileReleased) {
  auto open_files = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
  const auto before = open_files();
  Reader reader;
  ASSERT_EQ(
      reader.Read(kData + "[routine,A,1,true]\nMult,v,2\nJumpTo,A\n[routine,B,1,true]\nWait,1\nWait,x\n"), 7);
  EXPECT_EQ(reader.vmasm.routines().count(), 1);
  // The routine before it stays, its names numbered; Mult's third operand,
  // left out, is a literal without a text.
  const std::string dump = testing::Dump(reader.vmasm);
  EXPECT_NE(dump.find(" 4/0/'v' 2/2/- 4/0/- 0/0/-\n"), std::string::npos) << dump;
  EXPECT_NE(dump.find(" 4/0/'A' 0/0/- 0/0/- 0/0/-\n"), std::string::npos) << dump;
  EXPECT_EQ(open_files(), before);
}

}  // namespace
}  // namespace kx
