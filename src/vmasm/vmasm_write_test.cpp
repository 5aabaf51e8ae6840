#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "vmasm/vmasm_test_support.h"

namespace kx {
namespace {

using testing::Reader;

constexpr int kRead = -1;

const std::string kData = "[objects] tank [positions] p,1,2,3 [variables] v,0 w,1 [text] t,\"T\"\n";

std::string Crlf(const std::string& text) {
  std::string result;
  for (char c : text) result += c == '\n' ? "\r\n" : std::string(1, c);
  return result;
}

// Reads the script, reads its listing back, and compares records and
// listings; returns the listing.
std::string Round_Trip(const std::string& script) {
  Reader original;
  EXPECT_EQ(original.Read(script), kRead) << original.errors.Text();
  const std::string listing = original.Listing();
  Reader again;
  EXPECT_EQ(again.Read(listing), kRead) << again.errors.Text() << "\n" << listing;
  EXPECT_EQ(testing::Dump(again.vmasm, false), testing::Dump(original.vmasm, false));
  EXPECT_EQ(again.Listing(), listing);
  return listing;
}

TEST(VMAsmWrite, ListingsByteForByteAndReadBackTheSame) {
  const std::pair<std::string, std::string> cases[] = {
      {"[objects]\ntank1\n[positions]\np1, 1, 2, 3\n[variables]\ncount, 5\n[text]\nt1, \"Hello\"\n"
       "[routine, Main, 1, true]\nstart: Wait, 10\nJumpTo, start\n",
       "[objects]\ntank1\n\n[positions]\np1,1,2,3\n\n[variables]\ncount,5\n\n[text]\nt1,\n\"Hello\"\n\n\n"
       "[routine,Main,1,true]\nstart:\n\t\tWait,10\n\t\tJumpTo,start\n\n"},
      // Labels on their own lines, also at the end of a routine; the debug
      // flag only when set.
      {"[objects]\nsolo\nwave "
       "<4>\nnone<0>\n[positions]\n[variables]\nneg,-2147483648\n[text]\nmulti,\"one\\ntwo\"\n"
       "odd,\"100%s %n\"\n[routine,Main,-3,false,true]\na: b:\nWait,1\nc: Wait,2\nd:\ne:\n"
       "[routine,Empty,0,true,false]\n[routine,Halt,1,false]\nonly:\n",
       "[objects]\nsolo\nwave<4>\nnone<0>\n\n[positions]\n\n[variables]\nneg,-2147483648\n\n[text]\nmulti,\n"
       "\"one\\ntwo\"\n\nodd,\n\"100%s %n\"\n\n\n[routine,Main,-3,false,true]\na:\nb:\n\t\tWait,1\nc:\n"
       "\t\tWait,2\nd:\ne:\n\n[routine,Empty,0,true]\n\n[routine,Halt,1,false]\nonly:\n\n"},
      // Operands as the reader takes them; a string left open at the end of
      // its line stays open.
      {kData +
           "[routine,Main,1,true]\nRemove , tank\nAudio,\"a\\nb // %s\"\nDisplay,t,red,v,w\nDisplay,t,green\n"
           "Display,t,white,v\nGetAlt,p\nwait,-7\nRunSpeed,Main,5,false,true\nRunSpeed,Main,5,true,false\n"
           "IfNE,false,top\nIfEQ,4294967295,top\nRandJump,a\nRandJump,a,b,c\nOnNewObject,0\nMult,v,2\n"
           "StopTimer\nBuild,tank,\"open\n,5\n",
       "[objects]\ntank\n\n[positions]\np,1,2,3\n\n[variables]\nv,0\nw,1\n\n[text]\nt,\n\"T\"\n\n\n"
       "[routine,Main,1,true]\n\t\tRemove,tank\n\t\tAudio,\"a\\nb // %s\"\n\t\tDisplay,t,red,v,w\n"
       "\t\tDisplay,t,green\n\t\tDisplay,t,white,v\n\t\tGetAlt,p\n\t\tWait,-7\n\t\tRunSpeed,Main,5,false,"
       "true\n"
       "\t\tRunSpeed,Main,5,true\n\t\tIfNE,false,top\n\t\tIfEQ,4294967295,top\n\t\tRandJump,a\n"
       "\t\tRandJump,a,b,c\n\t\tOnNewObject,0\n\t\tMult,v,2\n\t\tStopTimer\n\t\tBuild,tank,\"open\n,5\n\n"},
  };
  for (const auto& [script, listing] : cases) {
    SCOPED_TRACE(script);
    EXPECT_EQ(Round_Trip(script), Crlf(listing));
  }
}

// Names and strings as long as a script line allows would make listing
// lines that the reader refuses: the listing breaks such a line between
// tokens instead, and still reads back the same.
TEST(VMAsmWrite, LongNamesKeepEveryListingLineReadable) {
  auto name = [](const char* unit, std::size_t size) {  // digits part names into keyword-sized runs
    std::string text;
    while (text.size() < size) text += unit;
    return text.substr(0, size);
  };
  const std::string object = name("o3", 511), position = name("p", 505), label = name("l1", 511);
  const std::string routine = name("R2", 509), text = "\"" + std::string(200, 't') + "\"";
  const std::string listing = Round_Trip(
      "[objects]\n" + object + "\n<\n3\n>\n[positions]\n" + position + "\n,-2147483648\n,-2147483648,\n" +
      "-2147483648\n[variables]\n" + position + ",\n-2147483648\n[text]\n" + object + "\n,\n" + text +
      "\n[routine,\n" + routine + "\n,-2147483648,true,true]\n" + label + "\n:\nRemove,\n" + object +
      "\nJumpTo,\n" + label + "\nSetStep,\n" + routine + "\n,\n" + label + "\n");
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);) {
    int columns = 0;
    for (char c : line) columns = c == '\t' ? columns + 8 - columns % 8 : columns + 1;
    EXPECT_LT(columns, 513) << line.substr(0, 40);  // the CR is still there
  }
  EXPECT_NE(listing.find("\r\n" + object + "\r\n<3>\r\n"), std::string::npos);
  EXPECT_NE(listing.find("\t\tRemove,\r\n" + object + "\r\n"), std::string::npos);
}

// Every operation of the catalogue in three variants: optional operands all
// left out, all given, and given with other values; a zero-ends integer of
// 0 ending the step; different letter cases and spacing.
TEST(VMAsmWrite, AllOperationsReadBackTheSame) {
  // clang-format off
  const VMOpcode_Operand_Type types[] = {VMOPCODE_OBJECT, VMOPCODE_TEXTNAME, VMOPCODE_VARIABLE,
      VMOPCODE_ROUTINE, VMOPCODE_POSITION, VMOPCODE_LABEL, VMOPCODE_ZERO_ENDS | VMOPCODE_INTEGER,
      VMOPCODE_INTEGER, VMOPCODE_BOOLEAN, VMOPCODE_INTEGER | VMOPCODE_BOOLEAN, VMOPCODE_COLOR};
  // clang-format on
  const char* const variants[3][11] = {
      {"tank", "t0", "v0", "Main", "p0", "top", "0", "0", "FALSE", "7", "white"},
      {"wave", "t1", "v1", "Other", "p1", "mid2", "5", "-123", "true", "True", "Green"},
      {"o_3", "t1", "v1", "Other", "p1", "bottom", "- 3", "4294967295", "FALSE", "3000000000", "RED"}};
  auto operand = [&](VMOpcode_Operand_Type type, int variant, const std::string& opcode) -> std::string {
    if (type == VMOPCODE_STRING)  // the third variant runs to the end of the line
      return variant == 0   ? "\"shared\""
             : variant == 1 ? "\"" + opcode + " \\n // x\""
                            : "\"open " + opcode + "\n";
    const auto* found = std::find(std::begin(types), std::end(types), type & ~VMOPCODE_OPTIONAL);
    EXPECT_NE(found, std::end(types)) << "operand type " << type;
    return variants[variant][found - types];
  };
  std::string script =
      "[objects]\ntank\nwave<3>\no_3\n[positions]\np0,1,2,3\np1,-1,-2,-3\n[variables]\nv0,0\nv1,-9\n"
      "[text]\nt0,\"zero\"\nt1,\"one\\ntwo\"\n[routine,Main,1,true]\ntop:\n";
  for (int variant = 0; variant < 3; ++variant) {
    for (const OpcodeDefinition& opcode : kOpcodeTable) {
      std::string step = opcode.name;
      if (variant == 1)
        for (char& c : step) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (variant == 1 && opcode.code == 64) step = "mid1: mid2:\n" + step;
      for (VMOpcode_Operand_Type type : opcode.operand_types) {
        if (type == 0 || ((type & VMOPCODE_OPTIONAL) && variant == 0)) break;
        const std::string text = operand(type, variant, opcode.name);
        step += (variant == 2 ? " , " : ",") + text;
        if (type == (VMOPCODE_ZERO_ENDS | VMOPCODE_INTEGER) && text == "0") break;
      }
      script += step + "\n";
    }
  }
  Round_Trip(script + "bottom:\n[routine,Other,-5,false,true]\nWait,1\nend1:\nend2:\n");
}

}  // namespace
}  // namespace kx
