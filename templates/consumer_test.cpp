// The sample templates: the committed ones agree with their configuration and
// build the bundled examples; the one compiled for this platform, patched
// through the real pipeline, and the compiled C listing of the same script
// both load with the platform's loader and hold what the script means.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "config/export_table.h"
#include "config/template_config_parser.h"
#include "diagnostics/testing.h"
#include "template_sizes.h"
#include "template_types.h"
#include "util/format.h"
#include "vmcode/vmcode_testing.h"
#include "vmobject/vmobject.h"

namespace kx {
namespace {

const std::filesystem::path kTemplates = KX_TEMPLATES_DIR;

// One of the ten tables of a template: its exported name, the configuration
// field holding its offset, and its size in bytes as an entry declares it.
struct Table {
  const char* symbol;
  std::int32_t TemplateConfig::*offset;
  std::int64_t bytes;
};

// clang-format off
std::vector<Table> Tables_Of(const TemplateConfig& c) {
  using C = TemplateConfig;
  const std::int64_t routines = c.max_routine_count;
  return {{"RoutineData", &C::step_data_array_offset, 10LL * c.step_data_array_rows},
          {"NumberOfRoutines", &C::routine_count_offset, 2},
          {"GlobalRoutineSpeed", &C::routine_speed_array_offset, 2 * routines},
          {"GlobalRoutinePriority", &C::routine_priority_array_offset, routines},
          {"RoutineOffset", &C::routine_offset_array_offset, 2 * routines},
          {"DebugText", &C::routine_debug_array_offset, routines},
          {"GlobalVectorArray", &C::position_array_offset, 12LL * c.position_array_rows},
          {"NameArray", &C::name_array_offset, std::int64_t{c.name_array_rows} * c.name_array_cols},
          {"GlobalIntegerArray", &C::integer_array_offset, 2LL * c.integer_array_rows},
          {"ObjectiveArray", &C::objective_array_offset,
           std::int64_t{c.objective_array_rows} * c.objective_array_cols}};
}
// clang-format on

// Every offset of the committed configuration is where the DLL's own export
// table puts the table, and every table as configured fits the DLL without
// touching another; both examples build against every entry.
TEST(SampleTemplates, AgreeWithTheConfigurationAndBuildTheExamples) {
  testing::CapturedContext log_errors(true, 79), log_notices(false, 79), errors(true), notices(false);
  TemplateConfigParser parser(log_errors.context, log_notices.context);
  parser.Read_Template_File((kTemplates / "Kestrix.conf").string());
  std::string names;
  for (const TemplateConfig& config : *parser.templates()) {
    SCOPED_TRACE(config.name);
    names += config.name + " ";
    const std::filesystem::path dll = kTemplates / config.dll_blank;
    ExportTable exports = Read_Export_Table(dll);
    EXPECT_TRUE(exports.format == "PE32" && exports.symbols.size() == 10 && exports.refused.empty())
        << Format_Exports(exports);
    std::vector<std::pair<std::int64_t, std::int64_t>> extents;
    for (const Table& table : Tables_Of(config)) {
      const ExportedSymbol* symbol = exports.Find(table.symbol);
      ASSERT_NE(symbol, nullptr) << table.symbol;
      EXPECT_EQ(std::uint64_t(config.*table.offset), symbol->file_offset) << table.symbol;
      extents.emplace_back(config.*table.offset, config.*table.offset + table.bytes);
    }
    std::sort(extents.begin(), extents.end());
    for (std::size_t i = 0; i + 1 < extents.size(); ++i) EXPECT_LE(extents[i].second, extents[i + 1].first);
    EXPECT_LE(std::uint64_t(extents.back().second), std::filesystem::file_size(dll));
    for (const char* example : {"tutorial.kxs", "all_operations.kxs"}) {
      testing::TempDir dir;
      std::filesystem::copy_file(std::filesystem::path(KX_EXAMPLES_DIR) / example, dir.path() / example);
      try {
        for (int option : {VMBUILD_DLL, VMBUILD_C_LISTING})
          VMObject(errors.context, notices.context, parser)
              .VMBuild((dir.path() / example).string(), config.name, option);
      } catch (const BuildFailure& failure) {
        ADD_FAILURE() << example << " line " << failure.line() << ": " << errors.Text();
      }
      EXPECT_EQ(Format_Exports(Read_Export_Table(dir.path() / (Strip_Extension(example) + ".dll"))),
                Format_Exports(exports));
    }
  }
  EXPECT_EQ(names, "sample sample-small ");
}

const char* const kScript = R"(// Every table, every kind of operand.
[objects] none <0> player wave <3> tank
[positions] origin, 0, 0, 0   far, -30000, 70000, 16777217   edge, 2147483647, -2147483647, -1
[variables] count, 0   big, 70000   minus, -1   limit, 32767   low, -32768
[text] intro, "Hold the base.\nWait for orders."   done, "Mission complete."   steps, "One\nTwo\nThree"

[routine, Main, 1, true]
start:  Display, intro, green   Display, done, red, count, big   Set, count, 70000   Add, count, -1
        Create, player, "tank_a", 1, origin   Create, tank, "tank_a", 2, far   Audio, "intro.wav"
        GoTo, tank, "path_1", 0   IfEQ, true, start   IfGT, -1, finish   RunSpeed, Second, 5, true
        SetStep, Second, middle   OnNewObject, 0   OnNewObject, 5, Third, wave   RandJump, start, finish
finish: JumpTo, start
[routine, Second, -1, false, true]
        Wait, 70000
middle: Audio, "intro.wav"   SetStep, Main, finish   GetAlt, far   GetAlt, far, origin   GetPos, tank, edge
        AddAmmo, wave, -3   RunSpeed, Third, 5, false, true   IfNE, 7, middle   EvalPos, edge, -5
        Createp, wave, "Tank_A", -32768, "path_1"   JumpTo, middle
[routine, Third, 32767, true, false]
start:  SetStep, Main, start   JumpTo, tail   JumpTo, start
tail:
[routine, Empty, 70000, false]
)";

// The tables of the shared object at `path`, as far as the script fills
// them, loaded with the platform's loader and read through their C types.
std::string Tables(const std::filesystem::path& path) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return std::string("dlopen: ") + dlerror();
  std::string text;
  auto table = [&](const char* name) -> const void* {
    static const char kMissing[1 << 16] = {};
    const void* address = dlsym(handle, name);
    text += std::string(address != nullptr ? "\n" : "\nmissing ") + name + ":";
    return address != nullptr ? address : kMissing;
  };
  auto numbers = [&](const char* name, int count, auto type) {
    const auto* values = static_cast<const decltype(type)*>(table(name));
    for (int i = 0; i < count; ++i) text += " " + std::to_string(values[i]);
  };
  auto texts = [&](const char* name, int count, int cols) {
    const auto* rows = static_cast<const char*>(table(name));
    for (int i = 0; i < count; ++i) text += " '" + std::string(rows + i * cols) + "'";
  };
  const auto* rows = static_cast<const ::StepData*>(table("RoutineData"));
  for (int r = 0; r < 35; ++r)
    text += Format_Printf("%s{%d,%d,%d,%d,%d}", r % 6 == 0 ? "\n" : " ", rows[r].code, rows[r].operand1,
                          rows[r].operand2, rows[r].operand3, rows[r].operand4);
  numbers("NumberOfRoutines", 1, short{});
  numbers("GlobalRoutineSpeed", 4, short{});
  numbers("GlobalRoutinePriority", 4, bool{});
  numbers("RoutineOffset", 4, short{});
  numbers("DebugText", 4, bool{});
  const auto* positions = static_cast<const ::Vector*>(table("GlobalVectorArray"));
  for (int r = 0; r < 3; ++r)
    text += Format_Printf(" %.0f,%.0f,%.0f", positions[r].x, positions[r].y, positions[r].z);
  numbers("GlobalIntegerArray", 5, short{});
  texts("NameArray", 4, TEMPLATE_NAME_COLS);
  texts("ObjectiveArray", 3, TEMPLATE_OBJECTIVE_COLS);
  dlclose(handle);
  return text;
}

// Builds `script` as mission.kxs in `dir` against the native template, both to
// mission.dll and to mission.c, and compiles the listing to listing.so; the
// failure, or an empty text.
std::string Build_Native(const testing::TempDir& dir, const std::string& script) {
  std::filesystem::copy_file(KX_NATIVE_TEMPLATE, dir.path() / "native.so");
  // An entry for the native template, from its own symbol table.
  ExportTable exports = Read_Export_Table(dir.path() / "native.so");
  // clang-format off
  TemplateConfig config{.name = "native", .dll_blank = "native.so",
      .max_routine_count = TEMPLATE_MAX_ROUTINE_COUNT, .max_object_count = TEMPLATE_MAX_OBJECT_COUNT,
      .name_array_rows = TEMPLATE_NAME_ROWS, .name_array_cols = TEMPLATE_NAME_COLS,
      .objective_array_rows = TEMPLATE_OBJECTIVE_ROWS, .objective_array_cols = TEMPLATE_OBJECTIVE_COLS,
      .step_data_array_rows = TEMPLATE_STEP_DATA_ROWS, .position_array_rows = TEMPLATE_POSITION_ROWS,
      .integer_array_rows = TEMPLATE_INTEGER_ROWS};
  // clang-format on
  for (const Table& table : Tables_Of(config)) {
    const ExportedSymbol* symbol = exports.Find(table.symbol);
    if (symbol == nullptr) return std::string("no symbol ") + table.symbol;
    config.*table.offset = static_cast<std::int32_t>(symbol->file_offset);
  }
  testing::CapturedContext log_errors{true, 79}, log_notices{false, 79}, errors{true}, notices{false};
  TemplateConfigParser parser(log_errors.context, log_notices.context);
  parser.Read_Template_File(dir.Write("Kestrix.conf", testing::Configuration_Text({config})).string());
  const std::string path = dir.Write("mission.kxs", script).string();
  try {
    VMObject(errors.context, notices.context, parser).VMBuild(path, "native", VMBUILD_DLL);
    VMObject(errors.context, notices.context, parser).VMBuild(path, "native", VMBUILD_C_LISTING);
  } catch (const BuildFailure& failure) {
    return "line " + std::to_string(failure.line()) + ": " + errors.Text();
  }
  // Tables of zeros keep their bytes in the file, as the template's do.
  const std::filesystem::path compiled = dir.path() / "listing.so", log = dir.path() / "compiler.log";
  const std::string command = std::string("'") + KX_C_COMPILER +
                              "' -std=c11 -w -shared -fPIC -fno-zero-initialized-in-bss -include '" +
                              KX_TEMPLATES_DIR + "/sample/template_types.h' -o '" + compiled.string() +
                              "' '" + (dir.path() / "mission.c").string() + "' >'" + log.string() + "' 2>&1";
  if (std::system(command.c_str()) != 0) return command + "\n" + testing::Read_File(log);
  return "";
}

TEST(Consumer, PatchedTemplateAndCompiledListingHoldWhatTheScriptMeans) {
  testing::TempDir dir;
  ASSERT_EQ(Build_Native(dir, kScript), "");

  // Main is rows 0 to 16 (finish is row 15), Second rows 17 to 29 (middle is
  // row 18), Third rows 30 to 33 (start is row 30, tail its halt, row 33),
  // Empty row 34. Absent optional symbols and labels are -1.
  const std::string expected =
      "\nRoutineData:\n{6,0,1,-1,-1} {6,1,2,0,1} {15,0,4464,0,0} {8,0,-1,-1,0} {1,0,0,1,0} {1,4,0,2,1}\n"
      "{32,1,0,0,0} {16,4,2,0,0} {12,1,0,0,0} {11,-1,15,0,0} {9,1,5,1,0} {31,1,18,0,0}\n"
      "{120,0,0,0,0} {120,5,2,1,0} {87,0,15,-1,-1} {27,0,0,0,0} {0,0,0,0,0} {2,4464,0,0,0}\n"
      "{32,1,0,0,0} {31,0,15,0,0} {105,1,-1,0,0} {105,1,0,0,0} {50,4,2,0,0} {60,1,-3,0,0}\n"
      "{9,2,5,0,1} {13,7,18,0,0} {114,2,-5,0,0} {25,1,3,-32768,2} {27,18,0,0,0} {0,0,0,0,0}\n"
      "{31,0,0,0,0} {27,33,0,0,0} {27,30,0,0,0} {0,0,0,0,0} {0,0,0,0,0}\n"
      "NumberOfRoutines: 4\nGlobalRoutineSpeed: 1 -1 32767 4464\nGlobalRoutinePriority: 1 0 1 0\n"
      "RoutineOffset: 0 17 30 34\nDebugText: 0 1 0 0\n"
      "GlobalVectorArray: 0,0,0 -30000,70000,16777216 2147483648,-2147483648,-1\n"
      "GlobalIntegerArray: 0 4464 -1 32767 -32768\nNameArray: 'tank_a' 'intro.wav' 'path_1' 'Tank_A'\n"
      "ObjectiveArray: 'Hold the base.\nWait for orders.' 'Mission complete.' 'One\nTwo\nThree'";
  EXPECT_EQ(Tables(dir.path() / "mission.dll"), expected);
  EXPECT_EQ(Tables(dir.path() / "listing.so"), expected);
}

// Strings holding every byte the reader takes in a string (all but the zero,
// the line feed, the double quote, and the tab, which reads as spaces), strings
// left open at the end of their line, a backslash before the closing quote,
// runs of question marks and escaped bytes followed by digits: compiled, the
// listing holds every table exactly as the DLL does.
TEST(Consumer, CompiledListingHoldsTheBytesOfTheDllForEveryByteOfAString) {
  std::string every;
  for (int c = 1; c < 256; ++c)
    if (c != '\n' && c != '"' && c != '\t') every += static_cast<char>(c);
  // Question marks that a strict C compiler would read as the trigraphs ??/ ??= ??! and more.
  const std::string marks = "?\?/?\?=?\?\?!?\x1f" + std::string("789\xff") + "f\\";
  const std::string open = "left open\n";
  std::string script = "[objects] tank\n[positions] p, 1, 2, 3\n[variables] v, 5\n[text]\nall, \"" + every +
                       "\"\nmarks, \"" + marks + "\"\nopen, \"" + open + "[routine, Main, 1, true]\n";
  std::vector<std::string> names;
  for (std::size_t at = 0; at < every.size(); at += 51) names.push_back(every.substr(at, 51));
  names.insert(names.end(), {marks, open});
  for (const std::string& name : names) script += "Audio, \"" + name + (name == open ? "" : "\"\n");
  testing::TempDir dir;
  ASSERT_EQ(Build_Native(dir, script), "");

  const std::string dll = testing::Read_File(dir.path() / "mission.dll");
  const std::string compiled = testing::Read_File(dir.path() / "listing.so");
  const ExportTable dll_exports = Read_Export_Table(dir.path() / "mission.dll");
  const ExportTable listing_exports = Read_Export_Table(dir.path() / "listing.so");
  auto rows = [&](const char* table, std::size_t count, std::size_t cols) {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < count; ++i)
      texts.push_back(dll.substr(dll_exports.Find(table)->file_offset + i * cols, cols).c_str());
    return texts;
  };
  EXPECT_EQ(rows("NameArray", names.size(), TEMPLATE_NAME_COLS), names);
  EXPECT_EQ(rows("ObjectiveArray", 3, TEMPLATE_OBJECTIVE_COLS),
            std::vector<std::string>({every, marks, open}));
  ASSERT_TRUE(listing_exports.symbols.size() == 10 && listing_exports.refused.empty())
      << Format_Exports(listing_exports);
  for (const ExportedSymbol& symbol : listing_exports.symbols) {
    const ExportedSymbol* patched = dll_exports.Find(symbol.name);
    ASSERT_TRUE(patched != nullptr && symbol.size) << symbol.name;
    EXPECT_EQ(compiled.substr(symbol.file_offset, *symbol.size),
              dll.substr(patched->file_offset, *symbol.size))
        << symbol.name;
  }
}

}  // namespace
}  // namespace kx
