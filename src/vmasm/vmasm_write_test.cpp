#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <sstream>
#include <string>

#include "vmasm/vmasm_test_support.h"

namespace kx {
namespace {

using testing::Reader;

std::string Crlf(const std::string& text) {
  std::string result;
  for (char c : text) result += c == '\n' ? "\r\n" : std::string(1, c);
  return result;
}

// Reads the script and its listing, and compares records and listings; returns the listing.
std::string Round_Trip(const std::string& script) {
  Reader original;
  EXPECT_EQ(original.Read(script), -1) << original.errors.Text();
  const std::string listing = original.Listing();
  Reader again;
  EXPECT_EQ(again.Read(listing), -1) << again.errors.Text() << "\n" << listing;
  EXPECT_EQ(testing::Dump(again.vmasm), testing::Dump(original.vmasm));
  EXPECT_EQ(again.Listing(), listing);
  return listing;
}

TEST(VMAsmWrite, ListingsByteForByteAndReadBackTheSame) {
  const std::pair<std::string, std::string> cases[] = {
      {"[objects]\ntank1\n[positions]\np1, 1, 2, 3\n[variables]\ncount, 5\n[text]\nt1, \"Hello\"\n"
       "[routine, Main, 1, true]\nstart: Wait, 10\nJumpTo, start\n",
       "[objects]\ntank1\n\n[positions]\np1,1,2,3\n\n[variables]\ncount,5\n\n[text]\nt1,\n\"Hello\"\n\n\n"
       "[routine,Main,1,true]\nstart:\n\t\tWait,10\n\t\tJumpTo,start\n\n"},
      // Keywords as names and numbers wrapping at 32 bits in the data
      // sections; labels on their own lines, also at the end of a routine;
      // the debug flag only when set; operands as the reader takes them; a
      // string left open at the end of its line stays open.
      {"[OBJECTS]\nsolo\nwave <4>\nnone<0>\nred\n[positions]\n[variables]\nv,4294967295\n"
       "w,- 2147483648\n[text]\nt,\"one\\ntwo\"\nodd,\"100%s %n\"\nesc,\"a\\\\nb\\n\"\n"
       "[routine,Main,-3,false,true]\na: b:\nRemove , solo\nAudio,\"a\\nb // %s\"\nc: Display,t,red,v,w\n"
       "Display,odd,green\nDisplay,t,white,v\nwait,-7\nRunSpeed,Main,5,false,true\n"
       "RunSpeed,Main,5,true,false\nIfNE,false,a\nIfEQ,4294967295,a\nRandJump,a\nRandJump,a,b,c\n"
       "OnNewObject,0\nMult,v,2\nStopTimer\nBuild,solo,\"open\n,5\nd:\ne:\n[routine,Empty,0,true,false]\n"
       "[routine,Halt,1,false]\nWait,1\nonly: Wait,2\n",
       "[objects]\nsolo\nwave<4>\nnone<0>\nred\n\n[positions]\n\n[variables]\nv,-1\n"
       "w,-2147483648\n\n[text]\nt,\n\"one\\ntwo\"\n\nodd,\n\"100%s %n\"\n\nesc,\n\"a\\\\nb\\n\"\n\n\n"
       "[routine,Main,-3,false,true]\na:\nb:\n\t\tRemove,solo\n\t\tAudio,\"a\\nb // %s\"\nc:\n"
       "\t\tDisplay,t,red,v,w\n\t\tDisplay,odd,green\n\t\tDisplay,t,white,v\n\t\tWait,-7\n"
       "\t\tRunSpeed,Main,5,false,true\n\t\tRunSpeed,Main,5,true\n\t\tIfNE,false,a\n\t\tIfEQ,4294967295,a\n"
       "\t\tRandJump,a\n\t\tRandJump,a,b,c\n\t\tOnNewObject,0\n\t\tMult,v,2\n\t\tStopTimer\n"
       "\t\tBuild,solo,\"open\n,5\nd:\ne:\n\n[routine,Empty,0,true]\n\n"
       "[routine,Halt,1,false]\n\t\tWait,1\nonly:\n\t\tWait,2\n\n"}};
  for (const auto& [script, listing] : cases) {
    SCOPED_TRACE(script);
    EXPECT_EQ(Round_Trip(script), Crlf(listing));
  }
}

// Names and strings as long as a script line allows would make listing lines that the reader
// refuses: the listing breaks such a line between tokens instead, writes a long text that was
// left open at its line end open again, and reads back the same.
TEST(VMAsmWrite, LongNamesKeepEveryListingLineReadable) {
  auto name = [](const char* unit, std::size_t size) {  // digits part names into keyword-sized runs
    std::string text;
    while (text.size() < size) text += unit;
    return text.substr(0, size);
  };
  const std::string object = name("o3", 510), position = name("p", 505), label = name("l1", 510);
  const std::string routine = name("R2", 509), text = "\"" + std::string(200, 't') + "\"";
  const std::string open_text = "\"" + std::string(503, 'u') + "\\n1234\n";  // left open, 510 wide
  const std::string listing = Round_Trip(
      "[objects]\n" + object + "\n<\n3\n>\n[positions]\n" + position + "\n,-2147483648\n,-2147483648,\n" +
      "-2147483648\n[variables]\n" + position + ",\n-2147483648\n[text]\n" + object + "\n,\n" + text +
      "\nopen,\n" + open_text + "[routine,\n" + routine + "\n,-2147483648,true,true]\n" + label +
      "\n:\nRemove,\n" + object + "\nJumpTo,\n" + label + "\nSetStep,\n" + routine + "\n,\n" + label + "\n");
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);) {
    int columns = 0;
    for (char c : line) columns = c == '\t' ? columns + 8 - columns % 8 : columns + 1;
    EXPECT_LT(columns, 512) << line.substr(0, 40);  // 510 and the CR
  }
}

// Every operation twice: with its optional operands left out (a zero-ends integer of 0 ending
// the step), and with all operands given, in other values, letter cases and spacing.
TEST(VMAsmWrite, AllOperationsReadBackTheSame) {
  // clang-format off
  const std::pair<VMOpcode_Operand_Type, std::array<std::string, 2>> texts[] = {
      {VMOPCODE_OBJECT, {"tank", "wave"}}, {VMOPCODE_TEXTNAME, {"t0", "t1"}},
      {VMOPCODE_VARIABLE, {"v0", "v1"}}, {VMOPCODE_ROUTINE, {"Main", "Other"}},
      {VMOPCODE_POSITION, {"p0", "p1"}}, {VMOPCODE_LABEL, {"top", "mid2"}},
      {VMOPCODE_ZERO_ENDS | VMOPCODE_INTEGER, {"0", "- 3"}}, {VMOPCODE_INTEGER, {"-123", "4294967295"}},
      {VMOPCODE_BOOLEAN, {"FALSE", "true"}}, {VMOPCODE_INTEGER | VMOPCODE_BOOLEAN, {"3000000000", "True"}},
      {VMOPCODE_COLOR, {"white", "Green"}}, {VMOPCODE_STRING, {"\"shared\"", "\"open to the line end\n"}}};
  // clang-format on
  std::string script =
      "[objects]\ntank\nwave<3>\n[positions]\np0,1,2,3\np1,-1,-2,-3\n[variables]\nv0,0\nv1,-9\n"
      "[text]\nt0,\"zero\"\nt1,\"one\\ntwo\"\n[routine,Main,1,true]\ntop:\n";
  for (int variant = 0; variant < 2; ++variant) {
    for (const OpcodeDefinition& opcode : kOpcodeTable) {
      std::string step = (variant == 1 && opcode.code == 64 ? "mid1: mid2: " : "") + std::string(opcode.name);
      if (variant == 1)
        std::transform(step.begin(), step.end(), step.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
      for (VMOpcode_Operand_Type type : opcode.operand_types) {
        if (type == 0 || ((type & VMOPCODE_OPTIONAL) && variant == 0)) break;
        const auto* text = std::find_if(std::begin(texts), std::end(texts), [type](const auto& t) {
          return t.first == (type & ~VMOPCODE_OPTIONAL);
        });
        ASSERT_NE(text, std::end(texts)) << type;
        step += (variant == 0 ? "," : " , ") + text->second[variant];
        if (text->second[variant] == "0") break;
      }
      script += step + "\n";
    }
  }
  Round_Trip(script + "bottom:\n[routine,Other,-5,false,true]\nWait,1\nend1:\nend2:\n");
}

}  // namespace
}  // namespace kx
