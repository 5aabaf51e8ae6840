// Proof against real consumers: a script that exercises every table is built
// through the real pipeline into the sample template compiled for this
// platform; the platform's loader then loads the patched file, and the tables
// are read back through their C types. The C listing of the same script,
// compiled by the C compiler, must hold the same values.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "config/export_table.h"
#include "config/template_config_parser.h"
#include "template_sizes.h"
#include "template_types.h"
#include "diagnostics/testing.h"
#include "vmobject/vmobject.h"

namespace kx {
namespace {

const char* const kScript = R"(// Every table, every kind of operand.
[objects] player wave <3> tank
[positions] origin, 0, 0, 0   far, -30000, 70000, 16777217   edge, 2147483647, -2147483647, -1
[variables] count, 0   big, 70000   minus, -1   limit, 32767   low, -32768
[text] intro, "Hold the base.\nWait for orders."
done,
  "Mission complete."
steps, "One\nTwo\nThree"

[routine, Main, 1, true]
start:
  Display, intro, green
  Display, done, red, count, big
  Set, count, 70000
  Add, count, -1
  Create, player, "tank_a", 1, origin
  Create, tank, "tank_a", 2, far
  Audio, "intro.wav"
  GoTo, tank, "path_1", 0
  IfEQ, true, start
  IfGT, -1, finish
  RunSpeed, Second, 5, true
  SetStep, Second, middle
  OnNewObject, 0
  OnNewObject, 5, Third, wave
  RandJump, start, finish
finish:
  JumpTo, start

[routine, Second, -1, false, true]
  Wait, 70000
middle:
  Audio, "intro.wav"
  SetStep, Main, finish
  GetAlt, far
  EvalPos, edge, -5
  Createp, wave, "Tank_A", -32768, "path_1"
  JumpTo, middle

[routine, Third, 32767, true, false]
  SetStep, Main, start
  JumpTo, tail
tail:

[routine, Empty, 70000, false]
)";

using Row = std::array<short, 5>;

// What the script means, row by row: Main is rows 0 to 16 (finish is row 15),
// Second rows 17 to 24 (middle is row 18), Third rows 25 to 27 (tail is its
// halt, row 27), Empty row 28. Absent optional symbols and labels are -1.
// clang-format off
const std::vector<Row> kRoutineData = {
    // Main
    {6, 0, 1, -1, -1},   {6, 1, 2, 0, 1},    {15, 0, 4464, 0, 0}, {8, 0, -1, -1, 0},
    {1, 0, 0, 1, 0},     {1, 4, 0, 2, 1},    {32, 1, 0, 0, 0},    {16, 4, 2, 0, 0},
    {12, 1, 0, 0, 0},    {11, -1, 15, 0, 0}, {9, 1, 5, 1, 0},     {31, 1, 18, 0, 0},
    {120, 0, 0, 0, 0},   {120, 5, 2, 1, 0},  {87, 0, 15, -1, -1}, {27, 0, 0, 0, 0},
    {0, 0, 0, 0, 0},
    // Second
    {2, 4464, 0, 0, 0},  {32, 1, 0, 0, 0},   {31, 0, 15, 0, 0},   {105, 1, -1, 0, 0},
    {114, 2, -5, 0, 0},  {25, 1, 3, -32768, 2}, {27, 18, 0, 0, 0}, {0, 0, 0, 0, 0},
    // Third
    {31, 0, 0, 0, 0},    {27, 27, 0, 0, 0},  {0, 0, 0, 0, 0},
    // Empty
    {0, 0, 0, 0, 0},
};
// clang-format on

// The values of every table as a script or a loaded file holds them, possibly
// one past the script's own elements, where the template keeps its marker
// (-1, true, "-"). Text rows are kept whole, their trailing zero bytes dropped.
struct Contents {
  std::vector<Row> rows;
  short number_of_routines = 0;
  std::vector<short> speeds;
  std::vector<bool> priorities;
  std::vector<short> offsets;
  std::vector<bool> debug_flags;
  std::vector<std::array<float, 3>> positions;
  std::vector<std::string> names;
  std::vector<short> integers;
  std::vector<std::string> objectives;
};

// What the script means, with the markers after it or without them.
Contents Expected(bool markers = true) {
  Contents c{kRoutineData,
             4,
             {1, -1, 32767, 4464, -1},
             {true, false, true, false, true},
             {0, 17, 25, 28, -1},
             {false, true, false, false, true},
             {{0.0f, 0.0f, 0.0f},
              {-30000.0f, 70000.0f, 16777216.0f},
              {2147483648.0f, -2147483648.0f, -1.0f},
              {-1.0f, -1.0f, -1.0f}},
             {"tank_a", "intro.wav", "path_1", "Tank_A", "-"},
             {0, 4464, -1, 32767, -32768, -1},
             {"Hold the base.\nWait for orders.", "Mission complete.", "One\nTwo\nThree", "-"}};
  c.rows.push_back({-1, -1, -1, -1, -1});
  if (!markers) {
    for (auto* table : {&c.speeds, &c.offsets, &c.integers}) table->pop_back();
    for (auto* table : {&c.priorities, &c.debug_flags}) table->pop_back();
    for (auto* table : {&c.names, &c.objectives}) table->pop_back();
    c.rows.pop_back();
    c.positions.pop_back();
  }
  return c;
}

template <typename T>
std::vector<T> Copied(const void* table, std::size_t count) {
  std::vector<T> copy(count);
  std::memcpy(copy.data(), table, count * sizeof(T));
  return copy;
}

std::vector<std::string> Text_Rows(const void* table, std::size_t count, std::size_t cols) {
  std::vector<std::string> rows;
  for (std::size_t row = 0; row < count; ++row) {
    std::string text(static_cast<const char*>(table) + row * cols, cols);
    rows.push_back(text.erase(text.find_last_not_of('\0') + 1));
  }
  return rows;
}

// The tables of the shared object at `path`, loaded with the platform's
// loader, as far as `e` reaches, read through their C types.
Contents Load(const std::filesystem::path& path, const Contents& e) {
  static_assert(sizeof(Row) == sizeof(StepData) && sizeof(std::array<float, 3>) == sizeof(Vector));
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    ADD_FAILURE() << "dlopen: " << dlerror();
    return {};
  }
  auto table = [handle](const char* name) -> const void* {
    static const char kMissing[1 << 16] = {};
    const void* address = dlsym(handle, name);
    if (address == nullptr) ADD_FAILURE() << "dlsym " << name << ": " << dlerror();
    return address != nullptr ? address : kMissing;
  };
  Contents c{Copied<Row>(table("RoutineData"), e.rows.size()),
             *static_cast<const short*>(table("NumberOfRoutines")),
             Copied<short>(table("GlobalRoutineSpeed"), e.speeds.size()),
             {},
             Copied<short>(table("RoutineOffset"), e.offsets.size()),
             {},
             Copied<std::array<float, 3>>(table("GlobalVectorArray"), e.positions.size()),
             Text_Rows(table("NameArray"), e.names.size(), TEMPLATE_NAME_COLS),
             Copied<short>(table("GlobalIntegerArray"), e.integers.size()),
             Text_Rows(table("ObjectiveArray"), e.objectives.size(), TEMPLATE_OBJECTIVE_COLS)};
  for (bool b : Copied<char>(table("GlobalRoutinePriority"), e.priorities.size())) c.priorities.push_back(b);
  for (bool b : Copied<char>(table("DebugText"), e.debug_flags.size())) c.debug_flags.push_back(b);
  dlclose(handle);
  return c;
}

void Expect_Equal(const Contents& a, const Contents& b) {
  EXPECT_EQ(a.rows, b.rows);
  EXPECT_EQ(a.number_of_routines, b.number_of_routines);
  EXPECT_EQ(a.speeds, b.speeds);
  EXPECT_EQ(a.priorities, b.priorities);
  EXPECT_EQ(a.offsets, b.offsets);
  EXPECT_EQ(a.debug_flags, b.debug_flags);
  EXPECT_EQ(a.positions, b.positions);
  EXPECT_EQ(a.names, b.names);
  EXPECT_EQ(a.integers, b.integers);
  EXPECT_EQ(a.objectives, b.objectives);
}

// A configuration entry for the native template, from its own symbol table.
std::string Native_Configuration(const ExportTable& exports) {
  auto offset = [&exports](const char* name) {
    const ExportedSymbol* symbol = exports.Find(name);
    std::ostringstream text;
    text << "0x" << std::hex << std::uppercase << (symbol != nullptr ? symbol->file_offset : 0);
    return text.str();
  };
  std::ostringstream conf;
  conf << "template list {\n  template entry \"native\" {\n"
       << "    dll blank \"native.so\";\n"
       << "    max routine count " << TEMPLATE_MAX_ROUTINE_COUNT << ";\n"
       << "    max object count " << TEMPLATE_MAX_OBJECT_COUNT << ";\n"
       << "    step data array offset " << offset("RoutineData") << ", rows " << TEMPLATE_STEP_DATA_ROWS
       << ";\n"
       << "    routine count offset " << offset("NumberOfRoutines") << ";\n"
       << "    position array offset " << offset("GlobalVectorArray") << ", rows " << TEMPLATE_POSITION_ROWS
       << ";\n"
       << "    name array offset " << offset("NameArray") << ", rows " << TEMPLATE_NAME_ROWS << ", cols "
       << TEMPLATE_NAME_COLS << ";\n"
       << "    routine speed array offset " << offset("GlobalRoutineSpeed") << ";\n"
       << "    integer array offset " << offset("GlobalIntegerArray") << ", rows " << TEMPLATE_INTEGER_ROWS
       << ";\n"
       << "    routine priority array offset " << offset("GlobalRoutinePriority") << ";\n"
       << "    routine offset array offset " << offset("RoutineOffset") << ";\n"
       << "    objective array offset " << offset("ObjectiveArray") << ", rows " << TEMPLATE_OBJECTIVE_ROWS
       << ", cols " << TEMPLATE_OBJECTIVE_COLS << ";\n"
       << "    routine debug array offset " << offset("DebugText") << ";\n"
       << "  }\n}\n";
  return conf.str();
}

class ConsumerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(KX_NATIVE_TEMPLATE, dir_.path() / "native.so");
    ExportTable exports = Read_Export_Table(dir_.path() / "native.so");
    ASSERT_TRUE(exports.refused.empty()) << Format_Exports(exports);
    dir_.Write("Kestrix.conf", Native_Configuration(exports));
    parser_.Read_Template_File((dir_.path() / "Kestrix.conf").string());
    script_ = dir_.Write("mission.kxs", kScript);
  }

  // Builds the script into "mission.<extension>"; the build log on failure.
  std::filesystem::path Build(int option, const char* extension) {
    try {
      VMObject(errors_.context, notices_.context, parser_).VMBuild(script_.string(), "native", option);
    } catch (const BuildFailure& failure) {
      ADD_FAILURE() << "line " << failure.line() << ": " << errors_.Text();
    }
    return dir_.path() / (std::string("mission.") + extension);
  }

  testing::TempDir dir_;
  testing::CapturedContext errors_{true}, notices_{false};
  testing::CapturedContext log_errors_{true, 79}, log_notices_{false, 79};
  TemplateConfigParser parser_{log_errors_.context, log_notices_.context};
  std::filesystem::path script_;
};

TEST_F(ConsumerTest, PatchedTemplateHoldsWhatTheScriptMeans) {
  Expect_Equal(Load(Build(VMBUILD_DLL, "dll"), Expected()), Expected());
}

TEST_F(ConsumerTest, CompiledListingHoldsTheSameValuesAsThePatchedTemplate) {
  std::filesystem::path listing = Build(VMBUILD_C_LISTING, "c");
  std::filesystem::path compiled = dir_.path() / "listing.so";
  std::filesystem::path log = dir_.path() / "compiler.log";
  std::string command = std::string("'") + KX_C_COMPILER + "' -std=c11 -w -shared -fPIC -include '" +
                        KX_TEMPLATES_DIR + "/sample/template_types.h' -o '" + compiled.string() + "' '" +
                        listing.string() + "' >'" + log.string() + "' 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command << "\n" << testing::Read_File(log);
  Expect_Equal(Load(compiled, Expected(false)), Expected(false));
}

}  // namespace
}  // namespace kx
