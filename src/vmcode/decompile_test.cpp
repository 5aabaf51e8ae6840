#include "vmcode/decompile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "config/template_config_parser.h"
#include "vmasm/vmasm.h"
#include "vmcode/vmcode.h"
#include "vmcode/vmcode_testing.h"

namespace kx {
namespace {

namespace fs = std::filesystem;

// The script's DLL for the entry, its template found in `templates`; empty
// (and a test failure) when the build fails.
std::string Build(const std::string& script, const TemplateConfig& config, const fs::path& templates) {
  testing::TempDir folder;
  testing::CapturedContext errors(true), notices(false);
  VMOpcode catalogue(errors.context);
  VMAsm reader(errors.context, notices.context, catalogue);
  VMCode code(errors.context, catalogue);
  code.Set_Template_Directory(templates);
  try {
    reader.Read_Script_Text("script.kxs", script, config);
    code.Generate_Routines(reader);
    code.Write_Output((folder.path() / "out.dll").string(), VMCODE_DLL);
  } catch (const BuildFailure&) {
    ADD_FAILURE() << errors.Text() << "\nin\n" << script;
    return {};
  }
  return testing::Read_File(folder.path() / "out.dll");
}

// Built, read back, built again into the same bytes, read back into the same script.
void Expect_Round_Trip(const std::string& script, const TemplateConfig& config) {
  const std::string dll = Build(script, config, KX_TEMPLATES_DIR);
  const std::string blank = testing::Read_File(fs::path(KX_TEMPLATES_DIR) / config.dll_blank);
  try {
    const std::string first = Decompile_Dll(dll, config, blank, "mission.dll");
    const std::string again = Build(first, config, KX_TEMPLATES_DIR);
    const auto [left, right] = std::mismatch(dll.begin(), dll.end(), again.begin(), again.end());
    EXPECT_TRUE(dll == again) << "first difference at 0x" << std::hex << (left - dll.begin()) << "\n"
                              << first;
    EXPECT_EQ(Decompile_Dll(again, config, blank, "mission.dll"), first);
  } catch (const DecompileError& error) {
    ADD_FAILURE() << error.what() << "\nin\n" << script;
  }
}

// Valid scripts for an entry from a seed: every operation in turn, every
// operand form, every byte a string may hold, strings left open at the end
// of their line, empty strings, texts with line feeds; every tenth script
// fills every table to the entry's limit.
class ScriptGenerator {
 public:
  ScriptGenerator(unsigned seed, const TemplateConfig& config)
      : random_(seed), c_(config), full_(seed % 10 == 0) {}

  std::string Script() {
    const int routines = Count(c_.max_routine_count, 4), slots = Count(c_.max_object_count, 12);
    std::string text = "[objects]\n";
    for (int slot = 0; slot < slots; ++objects_) {  // full: o0 <limit - 1>, o1
      const bool array = full_ ? slot == 0 : Chance(3);
      const int count = full_ ? slots - 1 : std::min(static_cast<int>(Below(4)), slots - slot);
      text += Format_Printf("o%zu", objects_) + (array ? Format_Printf(" <%d>\n", count) : "\n");
      slot += array ? count : 1;
    }
    text +=
        !full_ && Chance(4) ? "red\n[Positions]\n" : "[Positions]\n";  // a keyword, never named in a routine
    for (int p = positions_ = Count(c_.position_array_rows, 3); p-- > 0;)
      text += Format_Printf("p%d, %s,%s , %s\n", p, Int().c_str(), Int().c_str(), Int().c_str());
    text += "[variables]\n";
    for (int v = variables_ = Count(c_.integer_array_rows, 3); v-- > 0;)
      text += Format_Printf("v%d,%s\n", v, Int().c_str());
    text += "[TEXT]\n";
    for (int t = texts_ = Count(c_.objective_array_rows, 3); t-- > 0;)
      text += Format_Printf("t%d, %s\n", t, Quoted(c_.objective_array_cols - 1).c_str());
    for (int s = Count(c_.name_array_rows, 4); s-- > 0;)
      strings_.push_back(Quoted(c_.name_array_cols - 1, s));
    const int budget = c_.step_data_array_rows - routines;  // full: every row in use
    for (int r = 0; r < routines; ++r) {
      steps_.push_back(full_ ? budget / routines + (r + 1 == routines ? budget % routines : 0) : Below(10));
      labels_.push_back(std::min(1 + static_cast<int>(Below(3)), steps_.back() + 1));  // on the first rows
    }
    for (int r = 0; r < routines; ++r) {
      text += Format_Printf("[routine , R%d,%s, %s%s]\n", r, Int().c_str(), Bool(), Chance(2) ? ",TRUE" : "");
      for (int row = 0; row <= steps_[r]; ++row)
        text += (row < labels_[r] ? Format_Printf("L%d_%d: ", r, row) : "") +
                (row < steps_[r] ? Step(r) + (Chance(9) ? " // a comment\n" : "\n") : "");
    }
    for (std::size_t at = 0; crlf_ && (at = text.find('\n', at)) != std::string::npos; at += 2)
      text.insert(at, "\r");
    return text;
  }

 private:
  std::size_t Below(std::size_t n) { return n == 0 ? 0 : random_() % n; }
  bool Chance(std::size_t one_in) { return Below(one_in) == 0; }
  int Count(int limit, int usual) { return full_ ? limit : 1 + static_cast<int>(Below(usual)); }
  const char* Bool() { return Chance(2) ? "true" : "False"; }

  std::string Int() {
    static const char* const kSpecial[] = {"0",           "-1",         "32767", "-32768",
                                           "65535",       "65536",      "70000", "2147483647",
                                           "-2147483648", "4294967295", "- 5",   "16777217"};
    return Chance(2) ? kSpecial[Below(std::size(kSpecial))]
                     : std::to_string(static_cast<std::int32_t>(random_()) | 1);
  }

  // A string of up to `room` characters (a backslash and an n make one in a
  // text), a distinct one for each `tag` but -1. The bytes come in turn from
  // every byte but the zero, the tab, the line feed and the double quote; a
  // string left open takes its line feed.
  std::string Quoted(int room, int tag = -1) {
    const std::size_t size = full_ ? std::min(room, 400) : Below(std::min(room, 40) + 1);
    std::string text =
        (size > 60 ? "\n\"" : "\"") + (tag >= 0 && size >= 3 ? Format_Printf("%03d", tag) : "");
    for (std::size_t i = text.size() - (size > 60 ? 2 : 1); i < size; ++i) {
      do next_byte_ = static_cast<unsigned char>(next_byte_ + 1);
      while (next_byte_ == 0 || next_byte_ == '\t' || next_byte_ == '\n' || next_byte_ == '"');
      text += i + 1 < size && Chance(16) ? "\\n" : std::string(1, static_cast<char>(next_byte_));
      i += text.ends_with("\\n") ? 1 : 0;
    }
    return text + (size < static_cast<std::size_t>(room) && Chance(4) ? "\n" : "\"");
  }

  std::string Step(int r) {
    using enum OperandKind;
    const OpcodeDefinition& opcode = kOpcodeTable[next_opcode_++ % kOpcodeTable.size()];
    std::string step = Chance(2) ? opcode.name : "  " + std::string(opcode.name);
    int label_routine = r;
    std::size_t optional = Below(4);
    for (const VMOpcode_Operand_Type type : opcode.operand_types) {
      const std::optional<OperandSlot> slot = Decode_Operand_Type(type);
      if (!slot || (slot->optional && optional-- == 0)) break;
      const OperandKind kind = slot->kind;
      if (kind == Routine) label_routine = static_cast<int>(Below(steps_.size()));
      if (slot->zero_ends && Chance(3)) return step + ",0";
      // A zero-ends value of 65536 leaves a zero word, but not the end of the operands.
      step += (Chance(2) ? "," : " , ") +
              (kind == Object ? Format_Printf("o%zu", Below(objects_))
               : kind == String
                   ? strings_[used_strings_ < strings_.size() ? used_strings_++ : Below(strings_.size())]
               : kind == TextName ? Format_Printf("t%zu", Below(texts_))
               : kind == Variable ? Format_Printf("v%zu", Below(variables_))
               : kind == Position ? Format_Printf("p%zu", Below(positions_))
               : kind == Routine  ? Format_Printf("R%d", label_routine)
               : kind == Label    ? Format_Printf("L%d_%zu", label_routine, Below(labels_[label_routine]))
               : slot->zero_ends  ? (Chance(2) ? "65536" : std::to_string(1 + Below(99)))
               : kind == Integer  ? Int()
               : kind == Number   ? (Chance(3) ? Bool() : std::to_string(random_()))
               : kind == Color    ? std::array{"white", "GREEN", "Red"}[Below(3)]
                                  : Bool());
    }
    return step;
  }

  std::mt19937 random_;
  const TemplateConfig& c_;
  const bool full_, crlf_ = Chance(5);
  std::size_t objects_ = 0, positions_ = 0, variables_ = 0, texts_ = 0, used_strings_ = 0;
  std::size_t next_opcode_ = Below(kOpcodeCount);
  unsigned char next_byte_ = static_cast<unsigned char>(Below(256));
  std::vector<std::string> strings_;
  std::vector<int> steps_, labels_;
};

TEST(DecompileDll, ExamplesCorpusAndGeneratedScriptsRoundTrip) {
  testing::CapturedContext errors(true), notices(false);
  TemplateConfigParser parser(errors.context, notices.context);
  parser.Read_Template_File(KX_TEMPLATES_DIR "/Kestrix.conf");
  for (const TemplateConfig& config : *parser.templates()) {
    for (const char* folder : {KX_EXAMPLES_DIR, KX_SCRIPT_CORPUS_DIR})
      for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        Expect_Round_Trip(testing::Read_File(entry.path()), config);
    for (unsigned seed = 0; seed < 150; ++seed) {
      SCOPED_TRACE(config.name + " seed " + std::to_string(seed));
      Expect_Round_Trip(ScriptGenerator(seed, config).Script(), config);
    }
  }
}

// One routine of every kind of row, read back into the test template.
const char* const kScript =
    "[objects]\na\nb <2>\nc\n[positions]\np, 2147483647, -5, 16777217\nq, 1, 2, 3\n[variables]\nv, 70000\n"
    "w, -1\n[text]\nt, \"Two\\nlines\"\n"
    "[routine, Main, -3, true]\ntop: Display, t, red, v\nBuild, c, \"open\n, 7\nIfEQ, 40000, end\n"
    "SetStep, Other, there\nRunSpeed, Other, -2, true\nend:\n"
    "[routine, Other, 70000, false, true]\nOnNewObject, 0\nthere: JumpTo, there\n";

std::string Decompiled(const std::string& dll, const TemplateConfig& config = testing::Test_Template()) {
  try {
    return Decompile_Dll(dll, config, testing::Template_Bytes(), "mission.dll");
  } catch (const DecompileError& error) {
    return error.what();
  }
}

TEST(DecompileDll, ScriptIsExact) {
  testing::TempDir folder;
  folder.Write("template.dll", testing::Template_Bytes());
  EXPECT_EQ(
      Decompiled(Build(kScript, testing::Test_Template(), folder.path())),
      "// Read back from mission.dll as a DLL of the template entry \"Test\".\n"
      "// The DLL keeps no names: every name below is made up.\n\n"
      "[objects]\nobject_0\nobject_1\nobject_2\nobject_3\n\n"
      "[positions]\nposition_0, 2147483647, -5, 16777216\nposition_1, 1, 2, 3\n\n"
      "[variables]\nvariable_0, 4464\nvariable_1, -1\n\n[text]\ntext_0, \"Two\\nlines\"\n\n"
      "[routine, routine_0, -3, true]\n  Display, text_0, red, variable_0\n  Build, object_3, \"open\n, 7\n"
      "  IfEQ, 40000, label_5\n  SetStep, routine_1, label_7\n  RunSpeed, routine_1, -2, true\nlabel_5:\n\n"
      "[routine, routine_1, 4464, false, true]\n  OnNewObject, 0\nlabel_7:\n  JumpTo, label_7\n");
}

// Each case changes the DLL of kScript, or the entry it is read for.
TEST(DecompileDll, BadTablesNameTableAndOffset) {
  using testing::Le16;
  using C = TemplateConfig;
  struct Case {
    std::size_t offset;
    std::string bytes;
    const char* message;
    std::int32_t C::*field = nullptr;
    std::int32_t value = 0;
  };
  // clang-format off
  const Case cases[] = {
      {0, "", "RoutineData at 0x1000: the table lies past the end of the file of 4096 bytes",
       &C::step_data_array_offset, 0x1000},
      {0, "", "RoutineData at 0x1DC: routine 1 has no halt row within the 8 rows of the table",
       &C::step_data_array_rows, 8},
      {0x30A, Le16({9}), "NumberOfRoutines at 0x30A: 9 routines, beyond the template's limit of 8"},
      {0x30A, Le16({0}), "NumberOfRoutines at 0x30A: no routine, where every build writes one"},
      {0x332, Le16({5}), "RoutineOffset at 0x332: routine 1 begins at row 5, but its rows begin at row 6"},
      {0x320, "\2", "GlobalRoutinePriority at 0x320: the priority of routine 0 is 2, neither 0 nor 1"},
      {0x1A0, Le16({200}), "RoutineData at 0x1A0: operation code 200 is not an operation"},
      {0x1AC, Le16({16}), "RoutineData at 0x1AC: object 16 is beyond the template's 16 objects"},
      {0x1AE, Le16({8}), "RoutineData at 0x1AE: string 8 is beyond the 8 rows of NameArray"},
      {0x1AE, Le16({1}), "RoutineData at 0x1AE: string 1 is used before string 0, but a build numbers "
       "strings in the order of their first use"},
      {0x1B8, Le16({6}), "RoutineData at 0x1B8: label row 6 lies outside routine 0, rows 0 to 5"},
      {0x1A4, Le16({3}), "RoutineData at 0x1A4: colour 3 is none of 0, 1 and 2"},
      {0x1CE, Le16({2}), "RoutineData at 0x1CE: boolean 2 is neither 0 nor 1"},
      {0x1A6, Le16({-1, 1}), "RoutineData at 0x1A6: an operand left out before one that is written, which "
       "a script cannot say"},
      {0x1D6, Le16({1}), "RoutineData at 0x1D6: the halt row of routine 0 holds 1 in word 2"},
      {0x1EA, Le16({1}), "RoutineData at 0x1EA: word 2 of JumpTo holds 1, where a build writes 0"},
      {0x500, std::string(16, 'x'), "NameArray at 0x500: string 0 has no terminating zero"},
      {0x50F, "x", "NameArray at 0x50F: string 0 holds bytes after its terminating zero"},
      {0x502, "\n", "NameArray at 0x500: string 0 holds a line feed before its end, which a script cannot write"},
      {0x7C3, "\"", "ObjectiveArray at 0x7C0: text 0 holds a double quote, which a script cannot write"},
      {0x7C3, "\\n", "ObjectiveArray at 0x7C0: text 0 holds a backslash before an n, which a script cannot "
       "write"},
      {0x40C, testing::Le_Float({1.5f}), "GlobalVectorArray at 0x40C: position 1 holds 1.5, which no whole "
       "number of a script builds into"}};
  // clang-format on
  testing::TempDir folder;
  folder.Write("template.dll", testing::Template_Bytes());
  const std::string built = Build(kScript, testing::Test_Template(), folder.path());
  for (const Case& c : cases) {
    std::string dll = built;
    dll.replace(c.offset, c.bytes.size(), c.bytes);
    TemplateConfig config = testing::Test_Template();
    if (c.field) config.*c.field = c.value;
    EXPECT_EQ(Decompiled(dll, config), std::string("mission.dll: ") + c.message);
  }
}

}  // namespace
}  // namespace kx
