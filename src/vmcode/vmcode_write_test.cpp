#include <gtest/gtest.h>

#include <algorithm>

#include "vmasm/vmasm.h"
#include "vmcode/vmcode.h"
#include "vmcode/vmcode_testing.h"

namespace kx {
namespace {

using testing::Le16;

// Two routines of 3 and 2 steps and one symbol of every kind but objects.
const char* const kTwoRoutines =
    "[objects]\ntank\n[positions]\np, 100, -20, 3\nq, -1, 0, 70000\n[variables]\nbig, 70000\nneg, -5\n"
    "[text]\nt1, \"Two\\nlines\"\n[routine,A,1,true,true]\nWait,1\nAudio,\"hello\"\n"
    "Audio,\"ABCDEFGHIJKLMNO\"\n"  // 15 characters: a full row of 16 with its zero
    "[routine,B,-2,false]\nGetAlt,p\nSetPos,q,-32768,32767,-99\n";  // the widest words

// The output of kTwoRoutines in `mode`, with the template beside the script.
std::string Output(int mode, const TemplateConfig& config = testing::Test_Template()) {
  testing::TempDir folder;
  testing::CapturedContext errors(true), notices(false);
  VMOpcode catalogue(errors.context);
  VMAsm reader(errors.context, notices.context, catalogue);
  VMCode code(errors.context, catalogue);
  folder.Write("template.dll", testing::Template_Bytes());
  code.Set_Template_Directory(folder.path());
  reader.Read_Script(folder.Write("script.kxs", kTwoRoutines).string(), config);
  code.Generate_Routines(reader);
  code.Write_Output((folder.path() / "out").string(), mode);
  return testing::Read_File(folder.path() / "out");
}

// Each array at its offset, and nothing else of the template changed.
TEST(VMCodeWrite, DllHoldsEveryArrayLittleEndian) {
  std::string expected = testing::Template_Bytes();
  auto put = [&expected](std::size_t offset, const std::string& bytes) {
    expected.replace(offset, bytes.size(), bytes);
  };
  put(0x1A0, Le16({2, 1, 0,   0, 0,     32, 0, 0,  0, 0,      32,    1,   0, 0, 0, 0, 0, 0,
                   0, 0, 105, 0, 65535, 0,  0, 88, 1, -32768, 32767, -99, 0, 0, 0, 0, 0}));
  put(0x30A, Le16({2}));
  put(0x310, Le16({1, -2}));
  put(0x320, std::string("\1\0", 2));
  put(0x330, Le16({0, 4}));
  put(0x340, std::string("\1\0", 2));
  put(0x400, testing::Le_Float({100, -20, 3, -1, 0, 70000}));
  put(0x500, std::string("hello") + std::string(11, '\0') + "ABCDEFGHIJKLMNO" + std::string(1, '\0'));
  put(0x600, Le16({4464, -5}));
  put(0x7C0, std::string("Two\nlines") + std::string(23, '\0'));
  EXPECT_EQ(Output(VMCODE_DLL), expected);
}

TEST(VMCodeWrite, CListingIsExactWithCrLfLineEnds) {
  std::string expected =
      "StepData RoutineData[] = { // offset = 0x1A0, rows = 32\n"
      " /*    0 */ {2,1,0,0,0},\n /*    1 */ {32,0,0,0,0},\n /*    2 */ {32,1,0,0,0},\n"
      " /*    3 */ {0,0,0,0,0},\n\n /*    4 */ {105,0,-1,0,0},\n /*    5 */ {88,1,-32768,32767,-99},\n"
      " /*    6 */ {0,0,0,0,0}\n};\n\n"
      "short NumberOfRoutines = 2; // offset = 0x30A\n\n"
      "short GlobalRoutineSpeed[] = { // offset = 0x310, rows = 8\n    1,\n    -2\n};\n\n"
      "bool GlobalRoutinePriority[] = { // offset = 0x320, rows = 8\n    true,\n    false\n};\n\n"
      "short RoutineOffset[] = { // offset = 0x330, rows = 8\n    0,\n    4\n};\n\n"
      "bool DebugText[] = { // offset = 0x340, rows = 8\n    true,\n    false\n};\n\n"
      "Vector GlobalVectorArray[] = { // offset = 0x400, rows = 8\n\t{100, -20, 3},\n\t{-1, 0, 70000}\n};\n\n"
      "char NameArray[][16] = { // offset = 0x500, rows = 8\n\t\"hello\",\n\t\"ABCDEFGHIJKLMNO\"\n};\n\n"
      "short GlobalIntegerArray[] = { // offset = 0x600, rows = 8\n\t70000,\n\t-5\n};\n\n"
      "char ObjectiveArray[][32] = { // offset = 0x7C0, rows = 4\n\t\"Two\\nlines\"\n};\n\n";
  for (std::size_t at = 0; (at = expected.find('\n', at)) != std::string::npos; at += 2)
    expected.insert(at, "\r");
  EXPECT_EQ(Output(VMCODE_C_LISTING, testing::Test_Template("Test", "missing.dll")),
            expected);  // no template read
}

// A listing long enough to be made on a second thread while it is written
// holds every row once, in order, with the same text as a short one.
TEST(VMCodeWrite, LongCListingHoldsEveryRowInOrder) {
  using testing::Large_Script;
  testing::TempDir folder;
  testing::CapturedContext errors(true), notices(false);
  VMOpcode catalogue(errors.context);
  VMAsm reader(errors.context, notices.context, catalogue);
  VMCode code(errors.context, catalogue);
  const TemplateConfig config = Large_Script::Config();  // the reader keeps it
  reader.Read_Script_Text("script.kxs", Large_Script::Text(), config);
  code.Generate_Routines(reader);
  code.Write_Output(folder.path() / "out.c", VMCODE_C_LISTING);
  std::string expected = "StepData RoutineData[] = { // offset = 0x1A0, rows = 100000\r\n";
  for (int routine = 0, row = 0; routine < Large_Script::kRoutines; ++routine) {
    const int steps = Large_Script::Steps_Of(routine);
    for (int step = 0; step + 1 < steps; ++step)
      expected += Format_Printf(" /* %4d */ {2,%d,0,0,0},\r\n", row++, Large_Script::Wait_Of(routine, step));
    expected += Format_Printf(" /* %4d */ {27,%d,0,0,0},\r\n", row++,
                              static_cast<std::int16_t>(Large_Script::First_Row_Of(routine)));
    expected += Format_Printf(" /* %4d */ {0,0,0,0,0}", row++);
    expected += routine + 1 < Large_Script::kRoutines ? ",\r\n\r\n" : "\r\n};\r\n\r\n";
  }
  const std::string listing = testing::Read_File(folder.path() / "out.c");
  const std::string rows = listing.substr(0, expected.size());
  // The first difference, with what follows it: a whole listing is too long for a message.
  const auto at = static_cast<std::size_t>(std::mismatch(rows.begin(), rows.end(), expected.begin()).first -
                                           rows.begin());
  EXPECT_EQ(rows.substr(at, 60), expected.substr(at, 60)) << "at " << at;
  EXPECT_EQ(listing.substr(expected.size(), 28), "short NumberOfRoutines = 11;");
}

}  // namespace
}  // namespace kx
