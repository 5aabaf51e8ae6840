#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "vmasm/vmasm_test_support.h"

namespace kx {
namespace {

using testing::Crlf_Lines;
using testing::Reader;

constexpr int kRead = -1;

const char* const kData = "[objects] tank [positions] p,1,2,3 [variables] v,0 w,1 [text] t,\"T\"\n";

TEST(VMAsmWrite, TheListingExampleByteForByte) {
  Reader reader;
  ASSERT_EQ(reader.Read("[objects]\ntank1\n[positions]\np1, 1, 2, 3\n[variables]\ncount, 5\n[text]\n"
                        "t1, \"Hello\"\n[routine, Main, 1, true]\nstart: Wait, 10\nJumpTo, start\n"),
            kRead)
      << reader.errors.Text();
  EXPECT_EQ(reader.Listing(),
            "[objects]\r\ntank1\r\n\r\n"
            "[positions]\r\np1,1,2,3\r\n\r\n"
            "[variables]\r\ncount,5\r\n\r\n"
            "[text]\r\nt1,\r\n\"Hello\"\r\n\r\n\r\n"
            "[routine,Main,1,true]\r\nstart:\r\n\t\tWait,10\r\n\t\tJumpTo,start\r\n\r\n");
  EXPECT_TRUE(reader.errors.entries.empty());
}

TEST(VMAsmWrite, SectionsHeadersAndLabels) {
  Reader reader;
  ASSERT_EQ(reader.Read("[objects]\nsolo\nwave <4>\nnone<0>\n[positions]\n[variables]\nneg,-2147483648\n"
                        "[text]\nmulti,\"one\\ntwo\"\n"
                        "[routine,Main,-3,false,true]\na: b:\nWait,1\nc: Wait,2\nd:\ne:\n"
                        "[routine,Empty,0,true,false]\n"
                        "[routine,Halt,1,false]\nonly:\n"),
            kRead)
      << reader.errors.Text();
  EXPECT_EQ(reader.Listing(),
            "[objects]\r\nsolo\r\nwave<4>\r\nnone<0>\r\n\r\n[positions]\r\n\r\n"
            "[variables]\r\nneg,-2147483648\r\n\r\n[text]\r\nmulti,\r\n\"one\\ntwo\"\r\n\r\n\r\n"
            "[routine,Main,-3,false,true]\r\na:\r\nb:\r\n\t\tWait,1\r\nc:\r\n\t\tWait,2\r\nd:\r\ne:\r\n\r\n"
            "[routine,Empty,0,true]\r\n\r\n"
            "[routine,Halt,1,false]\r\nonly:\r\n\r\n");
}

TEST(VMAsmWrite, EveryOperandShape) {
  const std::vector<std::pair<std::string, std::string>> steps = {
      {"Remove , tank", "Remove,tank"},
      {"Audio,\"a\\nb // c\"", "Audio,\"a\\nb // c\""},
      {"Display,t,red,v,w", "Display,t,red,v,w"},
      {"GetAlt,p", "GetAlt,p"},
      {"wait,-7", "Wait,-7"},
      {"RunSpeed,Main,5,false,true", "RunSpeed,Main,5,false,true"},
      {"RunSpeed,Main,5,true,false", "RunSpeed,Main,5,true"},  // false is left out like an absent flag
      {"IfNE,false,top", "IfNE,false,top"},
      {"IfEQ,4294967295,top", "IfEQ,4294967295,top"},  // no minus sign in a number slot
      {"RandJump,a", "RandJump,a"},
      {"RandJump,a,b,c", "RandJump,a,b,c"},
      {"OnNewObject,0", "OnNewObject,0"},
      {"Mult,v,2", "Mult,v,2"},
      {"StopTimer", "StopTimer"},
  };
  for (const auto& [step, listed] : steps) {
    SCOPED_TRACE(step);
    Reader reader;
    ASSERT_EQ(reader.Read(std::string(kData) + "[routine,Main,1,true]\n" + step + "\n"), kRead)
        << reader.errors.Text();
    std::vector<std::string> lines = Crlf_Lines(reader.Listing());
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 2], "\t\t" + listed);
  }
}

// A string left open at the end of its line holds the line feed; the listing
// leaves it open too, so that it reads back the same.
TEST(VMAsmWrite, AnOpenStringStaysOpen) {
  Reader reader;
  ASSERT_EQ(reader.Read(std::string(kData) + "[routine,Main,1,true]\nBuild,tank,\"open\n,5\n"), kRead)
      << reader.errors.Text();
  EXPECT_EQ(reader.vmasm.strings().First()->text, "open\n");
  const std::string listing = reader.Listing();
  EXPECT_NE(listing.find("\t\tBuild,tank,\"open\r\n,5\r\n\r\n"), std::string::npos) << listing;
}

// The entries of a listing write that must fail, but for the line of the raise.
std::vector<std::string> Failed_Write(Reader& reader, const std::filesystem::path& path) {
  try {
    reader.vmasm.Write_Listing(path.string());
    ADD_FAILURE() << "no BuildFailure";
  } catch (const BuildFailure& failure) {
    EXPECT_EQ(failure.line(), 0);
  }
  std::vector<std::string> entries = reader.errors.entries;
  if (entries.size() > 1) entries.erase(entries.begin() + 1);
  return entries;
}

struct Fault {
  const char* step;
  std::function<void(StepRecord&)> spoil;
  std::string routine;
  std::string message;
};

// Records that the reader never makes are refused with the writer's name.
TEST(VMAsmWrite, MalformedRecords) {
  const std::vector<Fault> faults = {
      {"Wait,1", [](StepRecord& s) { s.token = 1152; }, "Write_Opcodes", "Illegal value for opcode token"},
      {"Wait,1", [](StepRecord& s) { s.operands[0].type = VMASM_OPERAND_BOOLEAN; }, "Write_Operand_Integer",
       "Operand to write is not of type 'VMASM_OPERAND_INTEGER'"},
      {"RunSpeed,Main,1,true", [](StepRecord& s) { s.operands[2].type = VMASM_OPERAND_INTEGER; },
       "Write_Operand_Boolean", "Operand to write is not of type 'VMASM_OPERAND_BOOLEAN'"},
      {"Audio,\"x\"", [](StepRecord& s) { s.operands[0].type = VMASM_OPERAND_LITERAL; },
       "Write_Operand_String", "Operand to write is not of type 'VMASM_OPERAND_STRING'"},
      {"Remove,tank", [](StepRecord& s) { s.operands[0].type = VMASM_OPERAND_STRING; },
       "Write_Operand_Literal", "Operand to write is not of type 'VMASM_OPERAND_LITERAL'"},
      {"Mult,v,1,w", [](StepRecord& s) { s.operands[2].type = VMASM_OPERAND_INTEGER; },
       "Write_Operand_Literal", "Operand to write is not of type 'VMASM_OPERAND_LITERAL'"},
      {"IfEQ,1,x", [](StepRecord& s) { s.operands[0].type = VMASM_OPERAND_COLOR; }, "Write_Operand_Integer",
       "Operand to write is not of type 'VMASM_OPERAND_INTEGER' or 'VMASM_OPERAND_BOOLEAN'"},
      {"Display,t,red", [](StepRecord& s) { s.operands[1].type = VMASM_OPERAND_INTEGER; },
       "Write_Operand_Color", "Operand to write is not of type 'VMASM_OPERAND_COLOR' "},
      {"Display,t,red", [](StepRecord& s) { s.operands[1].value = 3; }, "Write_Operand_Color",
       "Operand value for type 'VMASM_OPERAND_COLOR' is out of range"},
  };
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.message);
    Reader reader;
    ASSERT_EQ(reader.Read(std::string(kData) + "[routine,Main,1,true]\n" + fault.step + "\n"), kRead)
        << reader.errors.Text();
    fault.spoil(*reader.vmasm.routines().First()->body->steps.First());
    const std::filesystem::path path = reader.dir.Write("listing.aout", "previous listing");
    EXPECT_EQ(Failed_Write(reader, path),
              (std::vector<std::string>{"File    : vmasm/vmasm_write", "Routine : " + fault.routine, "",
                                        fault.message}));
    // The previous listing stays, and no temporary file is left behind.
    EXPECT_EQ(testing::Read_File(path), "previous listing");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(reader.dir.path()), {}), 2);
  }
}

// A listing that cannot be created, or that a file size limit cuts short, is
// reported with the failed call; no file is left behind and an earlier
// listing stays as it was.
TEST(VMAsmWrite, ListingsThatCannotBeWritten) {
  Reader reader;
  std::string script = std::string(kData) + "[routine,Main,1,true]\n";
  for (int i = 0; i < 2000; ++i) script += "Wait," + std::to_string(i) + "\n";
  ASSERT_EQ(reader.Read(script), kRead) << reader.errors.Text();
  EXPECT_EQ(Failed_Write(reader, reader.dir.path() / "missing" / "script.aout"),
            (std::vector<std::string>{"File       : vmasm/vmasm", "Error code : 2",
                                      "Error text : No such file or directory", "Subroutine : fopen"}));

  reader.errors.entries.clear();
  const std::filesystem::path path = reader.dir.Write("script.aout", "previous listing");
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 1000;
  auto previous_handler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::vector<std::string> entries = Failed_Write(reader, path);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous_handler);
  EXPECT_EQ(entries, (std::vector<std::string>{"File       : vmasm/vmasm_write", "Error code : 27",
                                               "Error text : File too large", "Subroutine : vfprintf"}));
  EXPECT_EQ(testing::Read_File(path), "previous listing");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(reader.dir.path()), {}), 2);
}

}  // namespace
}  // namespace kx
