#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "vmasm/vmasm_test_support.h"

namespace kx {
namespace {

using testing::Reader;

constexpr int kRead = -1;
constexpr int kWait = 1151;

const char* const kWorkedExample =
    "// a small script\n"
    "[objects]\n"
    "player\n"
    "wave <4>\n"
    "[positions]\n"
    "base, 100, -20, 0\n"
    "[variables]\n"
    "count, 0\n"
    "[text]\n"
    "intro, \"Hold the base.\\nWait for orders.\"\n"
    "[routine, Main, 1, true]\n"
    "start:\n"
    "Wait,5\n"
    "[routine,Second,-1,false,true]\n";

// The data sections every routine test builds on, on line 1: a routine
// header after them stands on line 2 and its first step on line 3.
const char* const kData = "[objects] tank wave<3> [positions] p,1,2,3 [variables] v,0 w,1 [text] t,\"T\"\n";

TEST(VMAsmRead, WorkedExample) {
  Reader reader;
  ASSERT_EQ(reader.Read(kWorkedExample), kRead) << reader.errors.Text();
  const VMAsm& vmasm = reader.vmasm;

  const SymbolRecord* player = vmasm.Find_Symbol(VMASM_SYMBOL_OBJECT, "player");
  const SymbolRecord* wave = vmasm.Find_Symbol(VMASM_SYMBOL_OBJECT, "wave");
  ASSERT_TRUE(player && wave);
  EXPECT_EQ(player->index, 0);
  EXPECT_FALSE(player->array_count);
  EXPECT_EQ(wave->index, 1);
  EXPECT_EQ(wave->array_count, 4u);
  const SymbolRecord& base = *vmasm.positions().First();
  EXPECT_EQ(std::vector<int>({base.kind, base.index, base.x, base.y, base.z}),
            std::vector<int>({VMASM_SYMBOL_POSITION, 0, 100, -20, 0}));
  EXPECT_EQ(vmasm.Find_Symbol(VMASM_SYMBOL_VARIABLE, "count")->x, 0);
  EXPECT_EQ(vmasm.texts().First()->text, "Hold the base.\nWait for orders.");

  ASSERT_EQ(vmasm.routines().count(), 2);
  const RoutineRecord& main = *vmasm.routines().First();
  EXPECT_EQ(std::vector<int>({main.index, main.speed, main.priority, main.debug}),
            std::vector<int>({0, 1, 1, 0}));
  ASSERT_EQ(main.body->steps.count(), 1);
  const StepRecord& wait = *main.body->steps.First();
  EXPECT_EQ(wait.label, "start");
  EXPECT_EQ(std::vector<int>({wait.token, wait.line, wait.operands[0].type, wait.operands[0].value,
                              wait.operands[1].type}),
            std::vector<int>({kWait, 13, VMASM_OPERAND_INTEGER, 5, 0}));
  EXPECT_EQ(main.body->Find_Label("start")->index, 0);
  EXPECT_EQ(main.body->Find_Label("start")->kind, VMASM_SYMBOL_LABEL);

  const RoutineRecord* second = vmasm.Find_Routine("Second");
  ASSERT_TRUE(second);
  EXPECT_EQ(std::vector<int>({second->index, second->speed, second->priority, second->debug}),
            std::vector<int>({1, -1, 0, 1}));
  EXPECT_EQ(second->body->steps.count(), 0);
  EXPECT_EQ(vmasm.step_count(), 3);  // Wait and Main's halt, Second's halt
  EXPECT_EQ(vmasm.template_config(), &reader.config);

  const std::string path = (reader.dir.path() / "script.kxs").string();
  EXPECT_EQ(reader.notices.entries, std::vector<std::string>({"Processing file: \"" + path + "\"", "",
                                                              "Number of lines processed: 14", ""}));
  EXPECT_TRUE(reader.errors.entries.empty());
}

TEST(VMAsmRead, NumberingAndLookups) {
  Reader reader;
  ASSERT_EQ(reader.Read("[OBJECTS]\nx<0>\ny\nred\nWait\nObjects\n"
                        "[Positions]\nObjects,-1,-2,-3\n"
                        "[variables]\nObjects,4294967295\nb,- 2147483648\n"
                        "[text]\nObjects,\n\"a\\\\nb\\n\"\n"
                        "[routine,M,0,false,false]\n"),
            kRead)
      << reader.errors.Text();
  const VMAsm& vmasm = reader.vmasm;
  std::vector<std::pair<std::string, int>> objects;
  for (const SymbolRecord& object : vmasm.objects()) objects.emplace_back(object.name, object.index);
  EXPECT_EQ(objects, (std::vector<std::pair<std::string, int>>{
                         {"x", 0}, {"y", 0}, {"red", 1}, {"Wait", 2}, {"Objects", 3}}));
  EXPECT_EQ(vmasm.Find_Symbol(VMASM_SYMBOL_OBJECT, "objects"), nullptr);  // names are case-sensitive
  EXPECT_EQ(vmasm.Find_Symbol(VMASM_SYMBOL_POSITION, "Objects")->z, -3);
  EXPECT_EQ(vmasm.Find_Symbol(VMASM_SYMBOL_VARIABLE, "Objects")->x, -1);  // integers wrap at 32 bits
  EXPECT_EQ(vmasm.Find_Symbol(VMASM_SYMBOL_VARIABLE, "b")->x, INT32_MIN);
  EXPECT_EQ(vmasm.Find_Symbol(VMASM_SYMBOL_TEXT, "Objects")->text, "a\\\nb\n");
  EXPECT_EQ(vmasm.Find_Symbol(VMASM_SYMBOL_LABEL, "Objects"), nullptr);
  EXPECT_EQ(vmasm.Find_Routine("m"), nullptr);
  EXPECT_EQ(vmasm.routines().First()->debug, 0);
}

struct Failure {
  const char* what;
  std::string script;
  std::string message;
  int line;
  std::int32_t TemplateConfig::*limit = nullptr;  // narrowed to `value`
  int value = 0;
};

void Expect_Failures(const std::vector<Failure>& failures) {
  for (const Failure& failure : failures) {
    SCOPED_TRACE(failure.what);
    Reader reader;
    if (failure.limit) reader.config.*failure.limit = failure.value;
    EXPECT_EQ(reader.Read(failure.script), failure.line);
    EXPECT_EQ(reader.Message(), failure.message);
    // The closing notice comes only after a successful read.
    EXPECT_EQ(reader.notices.entries.size(), 2u);
  }
}

TEST(VMAsmRead, LimitsReportTheirMessageAndLine) {
  const std::string routine = "[routine,R,1,true]\n";
  const std::string end = "[text]\n" + routine;
  const std::string rows = " array row size exceeds the limit of ";
  const std::string columns = " array column size exceeds the limit of ";
  const std::string steps =
      "Number of opcodes including the terminating halt instruction for each routine exceeds the storage "
      "limit of ";
  const std::string tail = " set for the target template DLL output file.";
  using C = TemplateConfig;
  Expect_Failures({
      {"objects fit exactly, one more does not", "[objects]\na\nb<3>\nc\n[positions]\n",
       "The object count exceeds the limit of 4 objects" + tail, 4, &C::max_object_count, 4},
      {"an array over the limit fails on its count", "[objects]\nb <\n5>\n",
       "The object count exceeds the limit of 4 objects" + tail, 3, &C::max_object_count, 4},
      {"a huge count does not wrap", "[objects]\na\nb<4294967295>\n",
       "The object count exceeds the limit of 4 objects" + tail, 3, &C::max_object_count, 4},
      {"positions", "[objects]\n[positions]\na,1,2,3\nb,1,2,3\nc,\n1,2,3\n",
       "The position" + rows + "2 rows" + tail, 5, &C::position_array_rows, 2},
      {"variables", "[objects][positions][variables]\na,1\nb,2\n", "The integer" + rows + "1 rows" + tail, 3,
       &C::integer_array_rows, 1},
      {"texts", "[objects][positions][variables][text]\na,\"\"\nb,\"\"\n",
       "The objective" + rows + "1 rows" + tail, 3, &C::objective_array_rows, 1},
      {"a text one character too long, on its string's line",
       "[objects][positions][variables][text]\nok,\"123456\\n89\"\nlong,\n\"1234567890\"\n",
       "The objective" + columns + "9 columns" + tail, 4, &C::objective_array_cols, 10},
      {"an operand string too long", std::string(kData) + routine + "Audio,\"abc\"\nAudio,\n\"abcd\"\n",
       "The name" + columns + "3 columns" + tail, 5, &C::name_array_cols, 4},
      {"one distinct string too many",
       std::string(kData) + routine + "Audio,\"a\"\nAudio,\"a\"\nAudio,\"A\"\n",
       "The name" + rows + "1 rows" + tail, 5, &C::name_array_rows, 1},
      {"one routine too many, on its '['",
       "[objects][positions][variables]" + end + "\n[\nroutine,S,1,true]\n",
       "The number of routine exceeds the limit of 1 routines" + tail, 4, &C::max_routine_count, 1},
      {"a third step does not fit with the halt",
       "[objects][positions][variables]" + end + "Wait,1\nWait,2\nWait,3\n", steps + "3 opcodes" + tail, 5,
       &C::step_data_array_rows, 3},
      {"the limit counts every routine",
       "[objects][positions][variables]" + end + "Wait,1\n[routine,S,1,true]\nWait,1\nWait,2\n",
       steps + "4 opcodes" + tail, 6, &C::step_data_array_rows, 4},
      {"no room for a routine's halt, on its ']'",
       "[objects][positions][variables]" + end + "Wait,1\n[routine,S,1,true\n]\n", steps + "2 opcodes" + tail,
       5, &C::step_data_array_rows, 2},
      {"a negative limit", "[objects]\na\n", "The object count exceeds the limit of -1 objects" + tail, 2,
       &C::max_object_count, -1},
      {"a zero column count", "[objects][positions][variables][text]\na,\"\"\n",
       "The objective" + columns + "-1 columns" + tail, 2, &C::objective_array_cols, 0},
  });
}

TEST(VMAsmRead, DuplicatesAndUndefinedSymbols) {
  const std::string routine = "[routine,R,1,true]\n";
  Expect_Failures({
      {"object", "[objects]\na\nb\na\n", "The object label 'a' had been defined previously.", 4},
      {"position", "[objects][positions]\na,1,2,3\na,1,2,3\n",
       "The position label 'a' had been defined previously.", 3},
      {"variable (the same name in objects is fine)", "[objects]\na\n[positions][variables]\na,1\n\na,1\n",
       "The variable label 'a' had been defined previously.", 6},
      {"text", "[objects][positions][variables][text]\na,\"\"\na,\"\"\n",
       "The text label 'a' had been defined previously.", 3},
      {"routine", std::string(kData) + routine + "[routine,\nR,1,true]\n",
       "The routine label 'R' had been defined previously.", 4},
      {"location label", std::string(kData) + routine + "a: Wait,1\nb:\na:\n",
       "The location label 'a' had been defined previously in this routine.", 5},
      {"object operand", std::string(kData) + routine + "Remove,tank\nRemove,\nghost\n",
       "The symbol 'ghost' not defined in 'object' list.", 5},
      {"variable operand", std::string(kData) + routine + "Set,tank,1\n",
       "The symbol 'tank' not defined in 'variable' list.", 3},
      {"position operand", std::string(kData) + routine + "GetPos,tank,v\n",
       "The symbol 'v' not defined in 'position' list.", 3},
      {"text operand", std::string(kData) + routine + "Display,p,red\n",
       "The symbol 'p' not defined in 'text' list.", 3},
      {"optional variable", std::string(kData) + routine + "Mult,v,2,x\n",
       "The symbol 'x' not defined in 'variable' list.", 3},
  });
}

TEST(VMAsmRead, TokensOutOfPlace) {
  const std::string data = kData;
  const std::string routine = "[routine,R,1,true]\n";
  const std::string step =
      " when expecting a literal, '[', 'Add', 'AddAmmo', ..., 'Wait', or an end of file.";
  Expect_Failures({
      {"sections out of order", "[positions]\n[objects]\n", "Found 'positions' when expecting 'objects'.", 1},
      {"no routine", "[objects][positions][variables][text]\n",
       "Found an end of file when expecting a literal, or '['.", 1},
      {"an empty file", "", "Found an end of file when expecting '['.", 0},
      {"an object entry", "[objects]\na 5\n", "Found an integer when expecting a literal, '[', or '<'.", 2},
      {"a position coordinate", "[objects][positions]\np,1,x,3\n",
       "Found a literal when expecting an integer, or '-'.", 2},
      {"a minus without digits", "[objects][positions][variables]\nv,-\n[text]\n",
       "Found '[' when expecting an integer.", 3},
      {"a text without a string", "[objects][positions][variables][text]\nt,x\n",
       "Found a literal when expecting a string.", 2},
      {"a position entry runs on", "[objects][positions]\np,1,2,3,4\n",
       "Found ',' when expecting a literal, or '['.", 2},
      {"a routine header's flag", data + "[routine,R,1,5]\n",
       "Found an integer when expecting 'true', or 'false'.", 2},
      {"a routine header's end", data + "[routine,R,1,true 5]\n",
       "Found an integer when expecting ',', or ']'.", 2},
      {"a routine named like a keyword", data + "[routine,red,1,true]\n",
       "Found 'red' when expecting a literal.", 2},
      {"a bad step", data + routine + "Wait,1\n5\n", "Found an integer" + step, 4},
      {"a keyword as a step", data + routine + "true\n", "Found 'true'" + step, 3},
      {"a label without its colon", data + routine + "here Wait,1\n", "Found 'Wait' when expecting ':'.", 3},
      {"an operand without its comma", data + routine + "Wait 5\n", "Found an integer when expecting ','.",
       3},
      {"a zero ends the step", data + routine + "OnNewObject,0,R\n", "Found ','" + step, 3},
      {"no minus in a number", data + routine + "IfEQ,-5,done\n",
       "Found '-' when expecting an integer, 'true', or 'false'.", 3},
      {"a colour", data + routine + "Display,t,blue\n",
       "Found a literal when expecting 'white', 'green', or 'red'.", 3},
      {"a symbol named like a keyword",
       "[objects]\nred\n[positions][variables][text]\n" + routine + "Remove,red\n",
       "Found 'red' when expecting a literal.", 5},
      {"a name running into a number", data + routine + "JumpTo,wait2\n",
       "Found 'Wait' when expecting a literal.", 3},
      {"an invalid character", data + routine + "Wait,1;\n", "Invalid lexeme.", 3},
      // Numbers that 32 bits cannot hold are refused, never wrapped round.
      {"a negative number beyond 32 bits", "[objects][positions][variables]\nv,-\n2147483649\n",
       "Integer value less than -2147483648.", 3},
      {"a step operand beyond 32 bits", data + routine + "Wait,-4294967295\n",
       "Integer value less than -2147483648.", 3},
      {"a count beyond 32 bits", "[objects]\nb<4294967296>\n", "Integer value greater than 4294967295.", 2},
  });
}

struct Shape {
  std::string step;
  std::vector<Operand> operands;  // every slot the step fills; the rest stay empty
};

Operand L(const char* name) {
  return {VMASM_OPERAND_LITERAL, 0, name ? std::optional<std::string>(name) : std::nullopt};
}
Operand I(int value) { return {VMASM_OPERAND_INTEGER, value, std::nullopt}; }
Operand B(int value) { return {VMASM_OPERAND_BOOLEAN, value, std::nullopt}; }
Operand S(const char* text) { return {VMASM_OPERAND_STRING, 0, text}; }
Operand C(int value) { return {VMASM_OPERAND_COLOR, value, std::nullopt}; }

std::string Describe(const Operand& operand) {
  return std::to_string(operand.type) + "/" + std::to_string(operand.value) + "/" +
         (operand.text ? "'" + *operand.text + "'" : "none");
}

TEST(VMAsmRead, EveryOperandShape) {
  const std::vector<Shape> shapes = {
      {"Remove,tank", {L("tank")}},                                 // object
      {"Audio,\"a\\nb // c\"", {S("a\\nb // c")}},                  // string, as written
      {"Display,t,white", {L("t"), C(0), L(nullptr), L(nullptr)}},  // text name, colour, optionals left out
      {"Display,t,green,v", {L("t"), C(1), L("v"), L(nullptr)}},
      {"Display , t , red , v , w", {L("t"), C(2), L("v"), L("w")}},
      {"SetStep,Main,top", {L("Main"), L("top")}},  // routine and label names, unchecked
      {"GetAlt,p", {L("p"), L(nullptr)}},           // optional position
      {"GetAlt,p,p", {L("p"), L("p")}},
      {"Wait,-7", {I(-7)}},
      {"wait , 4294967295", {I(-1)}},
      {"RunSpeed,Main,5,true", {L("Main"), I(5), B(1), B(0)}},  // boolean, optional boolean
      {"RunSpeed,Main,5,FALSE,True", {L("Main"), I(5), B(0), B(1)}},
      {"IfEQ,5,done", {I(5), L("done")}},  // integer or boolean
      {"IfNE,true,done", {B(1), L("done")}},
      {"IfEQ,4294967295,done", {I(-1), L("done")}},
      {"RandJump,a", {L("a"), L(nullptr), L(nullptr), L(nullptr)}},
      {"RandJump,a,b,c,d", {L("a"), L("b"), L("c"), L("d")}},
      {"OnNewObject,0", {I(0)}},  // zero ends the step
      {"OnDelObject,-0", {I(0)}},
      {"OnNewObject,2,Main,tank", {I(2), L("Main"), L("tank")}},
      {"Mult,v,2", {L("v"), I(2), L(nullptr)}},
      {"Mult,v,2,w", {L("v"), I(2), L("w")}},
      {"StopTimer", {}},
      {"TeamColor,1,2,3,-4", {I(1), I(2), I(3), I(-4)}},
  };
  for (const Shape& shape : shapes) {
    SCOPED_TRACE(shape.step);
    Reader reader;
    ASSERT_EQ(reader.Read(std::string(kData) + "[routine,Main,1,true]\n" + shape.step + "\n"), kRead)
        << reader.errors.Text();
    const StepRecord& step = *reader.vmasm.routines().First()->body->steps.First();
    EXPECT_EQ(step.line, 3);
    for (std::size_t slot = 0; slot < 4; ++slot) {
      const Operand expected = slot < shape.operands.size() ? shape.operands[slot] : Operand{};
      EXPECT_EQ(Describe(step.operands[slot]), Describe(expected)) << "slot " << slot;
    }
  }
}

// Equal operand strings share one entry; labels hold absolute rows and are
// local to their routine.
TEST(VMAsmRead, StringsAndLabels) {
  Reader reader;
  ASSERT_EQ(reader.Read(std::string(kData) + "[routine,A,1,true]\nAudio,\"go\"\nAudio,\"Go\"\n"
                                             "[routine,B,1,true]\nfirst: ConsoleWord,\"go\"\n"
                                             "x: y:\nBuild,tank,\"go\",1\nend:\n"
                                             "[routine,C,1,true]\nonly: Audio,\"x\\ny\"\n"),
            kRead)
      << reader.errors.Text();
  const VMAsm& vmasm = reader.vmasm;
  std::vector<std::pair<int, std::string>> strings;
  for (const StringRecord& string : vmasm.strings()) strings.emplace_back(string.index, string.text);
  EXPECT_EQ(strings, (std::vector<std::pair<int, std::string>>{{0, "go"}, {1, "Go"}, {2, "x\\ny"}}));
  EXPECT_EQ(vmasm.string_count(), 3);
  EXPECT_EQ(vmasm.Find_String("Go")->index, 1);
  EXPECT_EQ(vmasm.Find_String("T"), nullptr);  // texts are no operand strings

  const RoutineBody& b = *vmasm.Find_Routine("B")->body;
  std::vector<std::pair<std::string, int>> labels;
  for (const SymbolRecord& label : b.labels) labels.emplace_back(label.name, label.index);
  EXPECT_EQ(labels, (std::vector<std::pair<std::string, int>>{{"first", 3}, {"x", 4}, {"y", 4}, {"end", 5}}));
  std::vector<std::pair<int, std::string>> steps;
  for (const StepRecord& step : b.steps) steps.emplace_back(step.index, step.label.value_or("-"));
  // The label-only step of x is dropped, and its number with it.
  EXPECT_EQ(steps, (std::vector<std::pair<int, std::string>>{{0, "first"}, {2, "y"}}));
  EXPECT_EQ(b.Find_Label("only"), nullptr);
  EXPECT_EQ(vmasm.Find_Routine("C")->body->Find_Label("only")->index, 6);
  EXPECT_EQ(vmasm.step_count(), 8);
}

TEST(VMAsmRead, AFailedRoutineIsDiscardedAndTheFileReleased) {
  auto open_files = [] {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
  };
  const int before = open_files();
  Reader reader;
  ASSERT_EQ(
      reader.Read(std::string(kData) + "[routine,A,1,true]\nWait,1\n[routine,B,1,true]\nWait,1\nWait,x\n"),
      6);
  EXPECT_EQ(reader.vmasm.routines().count(), 1);
  EXPECT_EQ(reader.vmasm.Find_Routine("B"), nullptr);
  EXPECT_EQ(open_files(), before);
}

#if defined(__SANITIZE_ADDRESS__)
constexpr int kManyItems = 20000;
#else
constexpr int kManyItems = 100000;
#endif

// Reading is linear: symbols, strings, labels and steps are found through
// indices. Quadratic lookups would take minutes at this size.
TEST(VMAsmRead, ALargeScriptReadsQuickly) {
  std::string script = "[objects]\n";
  for (int i = 0; i < kManyItems; ++i) script += "o" + std::to_string(i) + "\n";
  script += "[positions]\n[variables]\n";
  for (int i = 0; i < kManyItems; ++i) script += "v" + std::to_string(i) + ",1\n";
  script += "[text]\n";
  for (int i = 0; i < kManyItems; ++i) {
    const std::string n = std::to_string(i);
    if (i % 1000 == 0) script += "[routine,r" + n + ",1,true]\n";
    script += "l" + n + ": SetByIndex,o" + n + ",v" + n + ",o" + std::to_string(kManyItems - 1 - i) + "\n";
    if (i % 2 == 0) script += "Audio,\"s" + n + "\"\n";
  }
  Reader reader;
  reader.config.max_object_count = reader.config.integer_array_rows = reader.config.name_array_rows =
      reader.config.step_data_array_rows = 10 * kManyItems;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(reader.Read(script), kRead) << reader.errors.Text();
  EXPECT_FALSE(reader.Listing().empty());
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 10.0);
  EXPECT_EQ(reader.vmasm.step_count(), kManyItems * 3 / 2 + kManyItems / 1000);
  EXPECT_EQ(reader.vmasm.string_count(), kManyItems / 2);
}

}  // namespace
}  // namespace kx
