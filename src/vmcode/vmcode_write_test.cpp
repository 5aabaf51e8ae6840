#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "vmcode/vmcode.h"
#include "vmcode/vmcode_testing.h"

namespace kx {
namespace {

using testing::Le16;
using testing::Le_Float;
using Entries = std::vector<std::string>;

const char* const kEmptyRoutine = "[objects]\n[positions]\n[variables]\n[text]\n[routine,Main,7,true,true]\n";

// Two routines of 3 and 1 steps and one symbol of every kind but objects.
const char* const kTwoRoutines =
    "[objects]\n"
    "tank\n"
    "[positions]\n"
    "p, 100, -20, 3\n"
    "q, -1, 0, 70000\n"
    "[variables]\n"
    "big, 70000\n"
    "neg, -5\n"
    "[text]\n"
    "t1, \"Two\\nlines\"\n"
    "[routine,A,1,true]\n"
    "Wait,1\n"
    "Audio,\"hello\"\n"
    "Audio,\"ABCDEFGHIJKLMNO\"\n"  // 15 characters: a full row of 16 with its zero
    "[routine,B,-2,false]\n"
    "GetAlt,p\n";

void Put(std::string& bytes, std::size_t offset, const std::string& piece) { bytes.replace(offset, piece.size(), piece); }

std::string Padded(const std::string& text, std::size_t width) { return text + std::string(width - text.size(), '\0'); }

std::string Words(std::initializer_list<int> words) {
  std::string bytes;
  for (int word : words) bytes += Le16(word);
  return bytes;
}

std::set<std::string> Folder_Names(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

std::string Crlf(const std::string& text) {
  std::string result;
  for (char c : text) {
    if (c == '\n') result += '\r';
    result += c;
  }
  return result;
}

int Write_Failure(testing::CompiledScript& compiled, const std::string& path, int mode) {
  try {
    compiled.code->Write_Output(path, mode);
  } catch (const BuildFailure& failure) {
    return failure.line();
  }
  ADD_FAILURE() << "no BuildFailure was thrown";
  return -1;
}

TEST(VMCodeWrite, EmptyRoutineDllChangesOnlyItsElements) {
  testing::CompiledScript compiled;
  compiled.Compile(kEmptyRoutine);
  const std::string out = (compiled.folder.path() / "out.dll").string();
  compiled.code->Write_Output(out, VMCODE_DLL);

  std::string expected = testing::Template_Bytes();
  Put(expected, 0x1A0, std::string(10, '\0'));
  Put(expected, 0x300, Le16(1));
  Put(expected, 0x310, Le16(7));
  Put(expected, 0x320, std::string(1, '\1'));
  Put(expected, 0x330, Le16(0));
  Put(expected, 0x340, std::string(1, '\1'));
  EXPECT_EQ(testing::Read_File(out), expected);
  EXPECT_EQ(Folder_Names(compiled.folder.path()), (std::set<std::string>{"out.dll", "script.kxs", "template.dll"}));
}

TEST(VMCodeWrite, DllHoldsEveryArrayLittleEndian) {
  testing::CompiledScript compiled;
  compiled.Compile(kTwoRoutines);
  const std::string out = (compiled.folder.path() / "out.dll").string();
  compiled.code->Write_Output(out, VMCODE_DLL);

  std::string expected = testing::Template_Bytes();
  Put(expected, 0x1A0,
      Words({2, 1, 0, 0, 0, 32, 0, 0, 0, 0, 32, 1, 0, 0, 0, 0, 0, 0, 0, 0, 105, 0, 65535, 0, 0, 0, 0, 0, 0, 0}));
  Put(expected, 0x300, Le16(2));
  Put(expected, 0x310, Words({1, -2}));
  Put(expected, 0x320, std::string("\1\0", 2));
  Put(expected, 0x330, Words({0, 4}));
  Put(expected, 0x340, std::string(2, '\0'));
  Put(expected, 0x400,
      Le_Float(100) + Le_Float(-20) + Le_Float(3) + Le_Float(-1) + Le_Float(0) + Le_Float(70000));
  Put(expected, 0x500, Padded("hello", 16) + "ABCDEFGHIJKLMNO" + std::string(1, '\0'));
  Put(expected, 0x600, Words({4464, -5}));
  Put(expected, 0x7C0, Padded("Two\nlines", 32));
  EXPECT_EQ(testing::Read_File(out), expected);
}

TEST(VMCodeWrite, CListingIsExactWithCrLfLineEnds) {
  testing::CompiledScript compiled;
  // No template is opened for the listing.
  compiled.Compile(kTwoRoutines, testing::Test_Template("Test", "missing.dll"));
  const std::string out = (compiled.folder.path() / "out.c").string();
  compiled.code->Write_Output(out, VMCODE_C_LISTING);
  EXPECT_EQ(testing::Read_File(out), Crlf("StepData RoutineData[] = { // offset = 0x1A0, rows = 32\n"
                                           " /*    0 */ {2,1,0,0,0},\n"
                                           " /*    1 */ {32,0,0,0,0},\n"
                                           " /*    2 */ {32,1,0,0,0},\n"
                                           " /*    3 */ {0,0,0,0,0},\n"
                                           "\n"
                                           " /*    4 */ {105,0,-1,0,0},\n"
                                           " /*    5 */ {0,0,0,0,0}\n"
                                           "};\n"
                                           "\n"
                                           "short NumberOfRoutines = 2; // offset = 0x300\n"
                                           "\n"
                                           "short GlobalRoutineSpeed[] = { // offset = 0x310, rows = 8\n"
                                           "    1,\n"
                                           "    -2\n"
                                           "};\n"
                                           "\n"
                                           "bool GlobalRoutinePriority[] = { // offset = 0x320, rows = 8\n"
                                           "    true,\n"
                                           "    false\n"
                                           "};\n"
                                           "\n"
                                           "short RoutineOffset[] = { // offset = 0x330, rows = 8\n"
                                           "    0,\n"
                                           "    4\n"
                                           "};\n"
                                           "\n"
                                           "bool DebugText[] = { // offset = 0x340, rows = 8\n"
                                           "    false,\n"
                                           "    false\n"
                                           "};\n"
                                           "\n"
                                           "Vector GlobalVectorArray[] = { // offset = 0x400, rows = 8\n"
                                           "\t{100, -20, 3},\n"
                                           "\t{-1, 0, 70000}\n"
                                           "};\n"
                                           "\n"
                                           "char NameArray[][16] = { // offset = 0x500, rows = 8\n"
                                           "\t\"hello\",\n"
                                           "\t\"ABCDEFGHIJKLMNO\"\n"
                                           "};\n"
                                           "\n"
                                           "short GlobalIntegerArray[] = { // offset = 0x600, rows = 8\n"
                                           "\t70000,\n"
                                           "\t-5\n"
                                           "};\n"
                                           "\n"
                                           "char ObjectiveArray[][32] = { // offset = 0x7C0, rows = 4\n"
                                           "\t\"Two\\nlines\"\n"
                                           "};\n"
                                           "\n"));
}

TEST(VMCodeWrite, CListingOfAnEmptyRoutine) {
  testing::CompiledScript compiled;
  compiled.Compile(kEmptyRoutine);
  const std::string out = (compiled.folder.path() / "out.c").string();
  compiled.code->Write_Output(out, VMCODE_C_LISTING);
  const std::string listing = testing::Read_File(out);
  const std::string head = Crlf("StepData RoutineData[] = { // offset = 0x1A0, rows = 32\n"
                                " /*    0 */ {0,0,0,0,0}\n"
                                "};\n\n");
  EXPECT_EQ(listing.substr(0, head.size()), head);
  EXPECT_NE(listing.find(Crlf("short NumberOfRoutines = 1; // offset = 0x300\n")), std::string::npos);
  EXPECT_NE(listing.find(Crlf("bool DebugText[] = { // offset = 0x340, rows = 8\n    true\n};\n")), std::string::npos);
  EXPECT_NE(listing.find(Crlf("char NameArray[][16] = { // offset = 0x500, rows = 8\n};\n")), std::string::npos);
}

// Each failure leaves an earlier output byte for byte and no temporary file.
TEST(VMCodeWrite, FailuresKeepAnEarlierOutputAndLeaveNoTemporaryFile) {
  struct Case {
    const char* what;
    std::function<void(testing::CompiledScript&, TemplateConfig&)> set_up;
    Entries tail;  // the last entries of the diagnostic
  };
  const Case cases[] = {
      {"missing template", [](testing::CompiledScript&, TemplateConfig& config) { config.dll_blank = "gone.dll"; },
       {"Error code : 2", "Error text : No such file or directory", "Subroutine : fopen (\"@/gone.dll\", \"rb\")"}},
      {"unreadable template",
       [](testing::CompiledScript& compiled, TemplateConfig& config) {
         std::filesystem::create_directory(compiled.folder.path() / "folder.dll");
         config.dll_blank = "folder.dll";
       },
       {"Error code : 21", "Error text : Is a directory", "Subroutine : fread"}},
      {"array beyond the template",
       [](testing::CompiledScript&, TemplateConfig& config) { config.objective_array_offset = 0xFF0; },
       {"Routine : Emit_Bytes", "",
        "The ObjectiveArray array at offset 0xFF0 does not fit the template DLL file of 4096 bytes."}},
      {"template shorter than its configuration",
       [](testing::CompiledScript& compiled, TemplateConfig& config) {
         compiled.folder.Write("short.dll", testing::Template_Bytes(0x1A0 + 25));
         config.dll_blank = "short.dll";
       },
       {"Routine : Emit_Bytes", "",
        "The RoutineData array at offset 0x1A0 does not fit the template DLL file of 441 bytes."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::CompiledScript compiled;
    TemplateConfig config = testing::Test_Template();
    c.set_up(compiled, config);
    compiled.Compile(kTwoRoutines, config);
    const std::string out = (compiled.folder.path() / "out.dll").string();
    compiled.folder.Write("out.dll", "a working DLL");
    const std::set<std::string> before = Folder_Names(compiled.folder.path());

    EXPECT_EQ(Write_Failure(compiled, out, VMCODE_DLL), 0);
    EXPECT_EQ(testing::Read_File(out), "a working DLL");
    EXPECT_EQ(Folder_Names(compiled.folder.path()), before);
    Entries tail = c.tail;
    for (std::string& entry : tail) {
      const std::size_t at = entry.find('@');
      if (at != std::string::npos) entry.replace(at, 1, compiled.folder.path().string());
    }
    const Entries& entries = compiled.errors.entries;
    ASSERT_GE(entries.size(), tail.size());
    EXPECT_EQ(Entries(entries.end() - static_cast<long>(tail.size()), entries.end()), tail);
  }
}

TEST(VMCodeWrite, ListingThatCannotBeCreatedIsReported) {
  testing::CompiledScript compiled;
  compiled.Compile(kEmptyRoutine);
  const std::string out = (compiled.folder.path() / "no" / "out.c").string();
  EXPECT_EQ(Write_Failure(compiled, out, VMCODE_C_LISTING), 0);
  EXPECT_EQ(compiled.errors.entries.back(), "Subroutine : fopen (" + out + ")");
}

}  // namespace
}  // namespace kx
