#include <gtest/gtest.h>
#include <sys/resource.h>

#include <filesystem>
#include <set>

#include "vmcode/vmcode.h"
#include "vmcode/vmcode_testing.h"

namespace kx {
namespace {

using testing::Le16;
using testing::Le_Float;

const char* const kEmptyRoutine = "[objects]\n[positions]\n[variables]\n[text]\n[routine,Main,7,true,true]\n";

// Two routines of 3 and 1 steps and one symbol of every kind but objects.
const char* const kTwoRoutines =
    "[objects]\ntank\n[positions]\np, 100, -20, 3\nq, -1, 0, 70000\n[variables]\nbig, 70000\nneg, -5\n"
    "[text]\nt1, \"Two\\nlines\"\n[routine,A,1,true]\nWait,1\nAudio,\"hello\"\n"
    "Audio,\"ABCDEFGHIJKLMNO\"\n"  // 15 characters: a full row of 16 with its zero
    "[routine,B,-2,false]\nGetAlt,p\n";

void Put(std::string& bytes, std::size_t offset, const std::string& piece) {
  bytes.replace(offset, piece.size(), piece);
}

std::string Padded(const std::string& text, std::size_t width) {
  return text + std::string(width - text.size(), '\0');
}

std::string Words(std::initializer_list<int> words) {
  std::string bytes;
  for (int word : words) bytes += Le16(word);
  return bytes;
}

std::set<std::string> Folder_Names(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.insert(entry.path().filename().string());
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

// An empty routine changes only its own elements of the template; its C
// listing has one halt row and no rows in the empty arrays.
TEST(VMCodeWrite, EmptyRoutine) {
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
  EXPECT_EQ(Folder_Names(compiled.folder.path()),
            (std::set<std::string>{"out.dll", "script.kxs", "template.dll"}));

  compiled.code->Write_Output((compiled.folder.path() / "out.c").string(), VMCODE_C_LISTING);
  const std::string listing = testing::Read_File(compiled.folder.path() / "out.c");
  EXPECT_EQ(listing.find(Crlf("StepData RoutineData[] = { // offset = 0x1A0, rows = 32\n"
                              " /*    0 */ {0,0,0,0,0}\n};\n\n")),
            0u);
  for (const char* part : {"short NumberOfRoutines = 1; // offset = 0x300\n",
                           "bool DebugText[] = { // offset = 0x340, rows = 8\n    true\n};\n",
                           "char NameArray[][16] = { // offset = 0x500, rows = 8\n};\n"})
    EXPECT_NE(listing.find(Crlf(part)), std::string::npos) << part;
}

TEST(VMCodeWrite, DllHoldsEveryArrayLittleEndian) {
  testing::CompiledScript compiled;
  compiled.Compile(kTwoRoutines);
  const std::string out = (compiled.folder.path() / "out.dll").string();
  compiled.code->Write_Output(out, VMCODE_DLL);

  std::string expected = testing::Template_Bytes();
  Put(expected, 0x1A0, Words({2, 1, 0, 0, 0, 32,  0, 0,     0, 0, 32, 1, 0, 0, 0,
                              0, 0, 0, 0, 0, 105, 0, 65535, 0, 0, 0,  0, 0, 0, 0}));
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
  EXPECT_EQ(testing::Read_File(out),
            Crlf("StepData RoutineData[] = { // offset = 0x1A0, rows = 32\n"
                 " /*    0 */ {2,1,0,0,0},\n /*    1 */ {32,0,0,0,0},\n /*    2 */ {32,1,0,0,0},\n"
                 " /*    3 */ {0,0,0,0,0},\n\n /*    4 */ {105,0,-1,0,0},\n /*    5 */ {0,0,0,0,0}\n};\n\n"
                 "short NumberOfRoutines = 2; // offset = 0x300\n\n"
                 "short GlobalRoutineSpeed[] = { // offset = 0x310, rows = 8\n    1,\n    -2\n};\n\n"
                 "bool GlobalRoutinePriority[] = { // offset = 0x320, rows = 8\n    true,\n    false\n};\n\n"
                 "short RoutineOffset[] = { // offset = 0x330, rows = 8\n    0,\n    4\n};\n\n"
                 "bool DebugText[] = { // offset = 0x340, rows = 8\n    false,\n    false\n};\n\n"
                 "Vector GlobalVectorArray[] = { // offset = 0x400, rows = 8\n"
                 "\t{100, -20, 3},\n\t{-1, 0, 70000}\n};\n\n"
                 "char NameArray[][16] = { // offset = 0x500, rows = 8\n"
                 "\t\"hello\",\n\t\"ABCDEFGHIJKLMNO\"\n};\n\n"
                 "short GlobalIntegerArray[] = { // offset = 0x600, rows = 8\n\t70000,\n\t-5\n};\n\n"
                 "char ObjectiveArray[][32] = { // offset = 0x7C0, rows = 4\n\t\"Two\\nlines\"\n};\n\n"));
}

// A row width far beyond any template is refused without making a row of
// that width (2 GB here), and the C listing, which writes no rows, is written.
TEST(VMCodeWrite, HugeRowWidthsAllocateNothing) {
  auto peak_kilobytes = [] {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
  };
  testing::CompiledScript compiled;
  TemplateConfig config = testing::Test_Template();
  config.name_array_cols = 2147483647;
  config.objective_array_cols = 2147483647;
  compiled.Compile(kTwoRoutines, config);
  const long before = peak_kilobytes();

  EXPECT_EQ(Write_Failure(compiled, (compiled.folder.path() / "out.dll").string(), VMCODE_DLL), 0);
  EXPECT_EQ(compiled.errors.entries.back(),
            "The NameArray array at offset 0x500 does not fit the template DLL file of 4096 bytes.");
  const std::string listing = (compiled.folder.path() / "out.c").string();
  compiled.code->Write_Output(listing, VMCODE_C_LISTING);
  EXPECT_NE(testing::Read_File(listing).find("char NameArray[][2147483647] = { // offset = 0x500, rows = 8"),
            std::string::npos);
  EXPECT_LT(peak_kilobytes() - before, 256 * 1024);
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
