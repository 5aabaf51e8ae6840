#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <string>
#include <vector>

#include "vmasm/vmasm_test_support.h"

namespace kx {
namespace {

using testing::Reader;

constexpr int kRead = -1;

void Dump_Symbols(std::ostream& out, const char* title, const LinkedList<SymbolRecord>& symbols) {
  out << title << '\n';
  for (const SymbolRecord& s : symbols) {
    out << "  " << s.index << ' ' << s.name << " kind " << s.kind << " xyz " << s.x << ' ' << s.y << ' '
        << s.z << " text " << (s.text ? "[" + *s.text + "]" : "none") << " count "
        << (s.array_count ? std::to_string(*s.array_count) : "none") << '\n';
  }
}

// Everything the reader keeps, in order, except the script lines of the steps.
std::string Dump(const VMAsm& vmasm) {
  std::ostringstream out;
  Dump_Symbols(out, "objects", vmasm.objects());
  Dump_Symbols(out, "positions", vmasm.positions());
  Dump_Symbols(out, "variables", vmasm.variables());
  Dump_Symbols(out, "texts", vmasm.texts());
  out << "strings " << vmasm.string_count() << '\n';
  for (const StringRecord& s : vmasm.strings()) out << "  " << s.index << " [" << s.text << "]\n";
  out << "rows " << vmasm.step_count() << '\n';
  for (const RoutineRecord& r : vmasm.routines()) {
    out << "routine " << r.index << ' ' << r.name << ' ' << r.speed << ' ' << r.priority << ' ' << r.debug
        << '\n';
    Dump_Symbols(out, "labels", r.body->labels);
    for (const StepRecord& step : r.body->steps) {
      out << "  step " << step.index << " label " << step.label.value_or("none") << " token " << step.token;
      for (const Operand& o : step.operands)
        out << " (" << o.type << ' ' << o.value << ' ' << (o.text ? "[" + *o.text + "]" : "none") << ')';
      out << '\n';
    }
  }
  return out.str();
}

// Reads the script, reads its listing back, and compares records and listings.
void Expect_Round_Trip(const std::string& script) {
  Reader original;
  ASSERT_EQ(original.Read(script), kRead) << original.errors.Text();
  const std::string listing = original.Listing();
  Reader again;
  ASSERT_EQ(again.Read(listing, "listing.kxs"), kRead) << again.errors.Text() << "\n" << listing;
  EXPECT_EQ(Dump(again.vmasm), Dump(original.vmasm));
  EXPECT_EQ(again.Listing(), listing);
}

TEST(VMAsmRoundTrip, SmallScripts) {
  const std::vector<std::string> scripts = {
      // the worked example of the script format
      "// a small script\n[objects]\nplayer\nwave <4>\n[positions]\nbase, 100, -20, 0\n[variables]\ncount, "
      "0\n"
      "[text]\nintro, \"Hold the base.\\nWait for orders.\"\n[routine, Main, 1, true]\nstart:\nWait,5\n"
      "[routine,Second,-1,false,true]\n",
      // the skeleton of a new document
      "[objects]\n\n[positions]\n\n[variables]\n\n[text]\n\n[routine,Main,1,true]\n",
      // arrays, keywords as data names, extreme numbers, awkward texts
      "[OBJECTS] x<0> y red Wait big<900> [positions] Objects,-2147483648,2147483647,0\n"
      "[variables] v,4294967295 [text] a,\"\" b,\n\"back\\\\nslash\\n\" c,\"100%s %n %d\" d,\"open\n"
      "[routine,Main,0,false] Audio,\"%s%n\" Audio,\"100%\"\n",
      // labels: several on one step, at the end of routines, on empty routines, before a header
      "[objects][positions][variables][text]\n"
      "[routine,A,1,true] a1: a2: a3: Wait,1 a4: Wait,2 Wait,3 a5: a6:\n"
      "[routine,B,2,false,true] b1:\n"
      "[routine,C,3,true,false]\n"
      "[routine,D,4,true] d1: JumpTo,d2 d2: SetStep,A,a5\nd3:\n",
  };
  for (const std::string& script : scripts) {
    SCOPED_TRACE(script);
    Expect_Round_Trip(script);
  }
}

// Names and strings as long as a script line allows, written one per line,
// would make listing lines that the reader refuses: the listing breaks such
// a line between tokens instead, and still reads back the same.
TEST(VMAsmRoundTrip, LongNamesKeepEveryListingLineReadable) {
  // Digits part the names in routines into keyword-sized runs.
  auto name = [](const char* unit, std::size_t size) {
    std::string text;
    while (text.size() < size) text += unit;
    return text.substr(0, size);
  };
  const std::string object = name("o3", 511);
  const std::string position = name("p", 505);
  const std::string label = name("l1", 511);
  const std::string routine = name("R2", 509);
  const std::string text = "\"" + std::string(200, 't') + "\"";
  const std::string script = "[objects]\n" + object + "\n<\n3\n>\n[positions]\n" + position +
                             "\n,-2147483648\n,-2147483648,\n-2147483648\n[variables]\n" + position +
                             ",\n-2147483648\n[text]\n" + object + "\n,\n" + text + "\n[routine,\n" +
                             routine + "\n,-2147483648,true,true]\n" + label + "\n:\nRemove,\n" + object +
                             "\nJumpTo,\n" + label + "\nSetStep,\n" + routine + "\n,\n" + label + "\n";
  Reader original;
  ASSERT_EQ(original.Read(script), kRead) << original.errors.Text();
  const std::string listing = original.Listing();
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    int columns = 0;
    for (char c : line) columns = c == '\t' ? columns + 8 - columns % 8 : columns + 1;
    EXPECT_LT(columns, 512) << line.substr(0, 40);
  }
  EXPECT_NE(listing.find("\r\n" + object + "\r\n<3>\r\n"), std::string::npos);
  EXPECT_NE(listing.find("\t\tRemove,\r\n" + object + "\r\n"), std::string::npos);
  Expect_Round_Trip(script);
}

// The operand text of one slot in one of three variants of a step.
std::string Operand_Text(VMOpcode_Operand_Type type, int variant, const std::string& opcode) {
  switch (type & ~(VMOPCODE_OPTIONAL | VMOPCODE_ZERO_ENDS)) {
    case VMOPCODE_OBJECT:
      return variant == 0 ? "tank" : variant == 1 ? "wave" : "o_3";
    case VMOPCODE_STRING:
      // The third variant leaves the string open: it runs to the end of the line.
      return variant == 0   ? "\"shared\""
             : variant == 1 ? "\"" + opcode + " \\n // x\""
                            : "\"open " + opcode + "\n";
    case VMOPCODE_TEXTNAME:
      return variant == 0 ? "t0" : "t1";
    case VMOPCODE_VARIABLE:
      return variant == 0 ? "v0" : "v1";
    case VMOPCODE_ROUTINE:
      return variant == 0 ? "Main" : "Other";
    case VMOPCODE_POSITION:
      return variant == 0 ? "p0" : "p1";
    case VMOPCODE_LABEL:
      return variant == 0 ? "top" : variant == 1 ? "mid2" : "bottom";
    case VMOPCODE_INTEGER:
      if (type & VMOPCODE_ZERO_ENDS) return variant == 0 ? "0" : variant == 1 ? "5" : "- 3";
      return variant == 0 ? "0" : variant == 1 ? "-123" : "4294967295";
    case VMOPCODE_BOOLEAN:
      return variant == 1 ? "true" : "FALSE";
    case VMOPCODE_INTEGER | VMOPCODE_BOOLEAN:
      return variant == 0 ? "7" : variant == 1 ? "True" : "3000000000";
    case VMOPCODE_COLOR:
      return variant == 0 ? "white" : variant == 1 ? "Green" : "RED";
  }
  ADD_FAILURE() << "operand type " << type;
  return "";
}

// Every operation of the catalogue in three variants: optional operands all
// left out, all given, and given with the other values; a zero-ends integer
// of 0 ending the step; different letter cases and spacing.
std::string All_Operations_Script() {
  std::string script =
      "[objects]\ntank\nwave<3>\no_3\n[positions]\np0,1,2,3\np1,-1,-2,-3\n[variables]\nv0,0\nv1,-9\n"
      "[text]\nt0,\"zero\"\nt1,\"one\\ntwo\"\n[routine,Main,1,true]\ntop:\n";
  for (int variant = 0; variant < 3; ++variant) {
    for (const OpcodeDefinition& opcode : kOpcodeTable) {
      std::string name = opcode.name;
      if (variant == 1)
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      std::string step = name;
      for (VMOpcode_Operand_Type type : opcode.operand_types) {
        if (type == 0) break;
        if ((type & VMOPCODE_OPTIONAL) && variant == 0) break;  // absent, and so are the later ones
        const std::string operand = Operand_Text(type, variant, opcode.name);
        step += (variant == 2 ? " , " : ",") + operand;
        if (type == (VMOPCODE_ZERO_ENDS | VMOPCODE_INTEGER) && operand == "0") break;
      }
      if (variant == 1 && opcode.code == 64) step = "mid1: mid2:\n" + step;
      script += step + "\n";
    }
  }
  script += "bottom:\n[routine,Other,-5,false,true]\nWait,1\nend1:\nend2:\n";
  return script;
}

TEST(VMAsmRoundTrip, AllOperationsWithEveryOperandShape) {
  const std::string script = All_Operations_Script();
  Expect_Round_Trip(script);

  // The script really holds every shape: each operation three times, the
  // strings shared where equal, the labels where written.
  Reader reader;
  ASSERT_EQ(reader.Read(script), kRead) << reader.errors.Text();
  const RoutineRecord& main = *reader.vmasm.routines().First();
  EXPECT_EQ(main.body->steps.count(), 3 * kOpcodeCount);
  EXPECT_EQ(main.body->Find_Label("bottom")->index, 3 * kOpcodeCount);
  EXPECT_EQ(main.body->Find_Label("mid1")->index, main.body->Find_Label("mid2")->index);
  EXPECT_EQ(reader.vmasm.Find_String("shared")->index, 0);
  EXPECT_EQ(reader.vmasm.Find_String("open Audio\n")->text, "open Audio\n");
}

}  // namespace
}  // namespace kx
