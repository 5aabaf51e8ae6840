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
#include "vmobject/testing.h"
#include "vmobject/vmobject.h"

namespace kx {
namespace {

const char* const kScript = R"(// Every table, every kind of operand.
[objects]
player
wave <3>
tank
[positions]
origin, 0, 0, 0
far, -30000, 70000, 16777217
edge, 2147483647, -2147483647, -1
[variables]
count, 0
big, 70000
minus, -1
limit, 32767
low, -32768
[text]
intro, "Hold the base.\nWait for orders."
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
const std::vector<short> kSpeeds = {1, -1, 32767, 4464};
const std::vector<bool> kPriorities = {true, false, true, false};
const std::vector<short> kOffsets = {0, 17, 25, 28};
const std::vector<bool> kDebugFlags = {false, true, false, false};
const std::vector<std::array<float, 3>> kPositions = {
    {0.0f, 0.0f, 0.0f}, {-30000.0f, 70000.0f, 16777216.0f}, {2147483648.0f, -2147483648.0f, -1.0f}};
const std::vector<std::string> kNames = {"tank_a", "intro.wav", "path_1", "Tank_A"};
const std::vector<short> kIntegers = {0, 4464, -1, 32767, -32768};
const std::vector<std::string> kObjectives = {"Hold the base.\nWait for orders.", "Mission complete.",
                                              "One\nTwo\nThree"};

// A shared object loaded with the platform's loader, unloaded at scope end.
class Loaded {
 public:
  explicit Loaded(const std::filesystem::path& path) : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    if (handle_ == nullptr) ADD_FAILURE() << "dlopen: " << dlerror();
  }
  ~Loaded() {
    if (handle_ != nullptr) dlclose(handle_);
  }
  Loaded(const Loaded&) = delete;
  Loaded& operator=(const Loaded&) = delete;

  bool ok() const { return handle_ != nullptr; }
  template <typename T>
  const T* Get(const char* name) const {
    void* address = dlsym(handle_, name);
    if (address == nullptr) ADD_FAILURE() << "dlsym " << name << ": " << dlerror();
    return static_cast<const T*>(address);
  }

 private:
  void* handle_;
};

// The ten tables of one loaded file.
struct Tables {
  explicit Tables(const Loaded& file)
      : routine_data(file.Get<StepData>("RoutineData")),
        number_of_routines(file.Get<short>("NumberOfRoutines")),
        speeds(file.Get<short>("GlobalRoutineSpeed")),
        priorities(file.Get<bool>("GlobalRoutinePriority")),
        offsets(file.Get<short>("RoutineOffset")),
        debug_flags(file.Get<bool>("DebugText")),
        positions(file.Get<Vector>("GlobalVectorArray")),
        names(file.Get<char>("NameArray")),
        integers(file.Get<short>("GlobalIntegerArray")),
        objectives(file.Get<char>("ObjectiveArray")) {}
  bool complete() const {
    return routine_data && number_of_routines && speeds && priorities && offsets && debug_flags &&
           positions && names && integers && objectives;
  }

  const StepData* routine_data;
  const short* number_of_routines;
  const short* speeds;
  const bool* priorities;
  const short* offsets;
  const bool* debug_flags;
  const Vector* positions;
  const char* names;
  const short* integers;
  const char* objectives;
};

Row Row_Of(const StepData& step) {
  return {step.code, step.operand1, step.operand2, step.operand3, step.operand4};
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
  std::filesystem::path dll = Build(VMBUILD_DLL, "dll");
  Loaded file(dll);
  ASSERT_TRUE(file.ok());
  Tables t(file);
  ASSERT_TRUE(t.complete());

  for (std::size_t i = 0; i < kRoutineData.size(); ++i)
    EXPECT_EQ(Row_Of(t.routine_data[i]), kRoutineData[i]) << i;
  EXPECT_EQ(*t.number_of_routines, 4);
  for (std::size_t r = 0; r < kSpeeds.size(); ++r) {
    EXPECT_EQ(t.speeds[r], kSpeeds[r]) << r;
    EXPECT_EQ(t.priorities[r], kPriorities[r]) << r;
    EXPECT_EQ(t.offsets[r], kOffsets[r]) << r;
    EXPECT_EQ(t.debug_flags[r], kDebugFlags[r]) << r;
  }
  for (std::size_t p = 0; p < kPositions.size(); ++p) {
    EXPECT_EQ(t.positions[p].x, kPositions[p][0]) << p;
    EXPECT_EQ(t.positions[p].y, kPositions[p][1]) << p;
    EXPECT_EQ(t.positions[p].z, kPositions[p][2]) << p;
  }
  for (std::size_t s = 0; s < kNames.size(); ++s) {
    const char* row = t.names + s * TEMPLATE_NAME_COLS;
    EXPECT_EQ(std::string(row), kNames[s]) << s;
    EXPECT_EQ(std::string(row, TEMPLATE_NAME_COLS).find_first_not_of('\0', kNames[s].size()),
              std::string::npos);
  }
  for (std::size_t v = 0; v < kIntegers.size(); ++v) EXPECT_EQ(t.integers[v], kIntegers[v]) << v;
  for (std::size_t o = 0; o < kObjectives.size(); ++o) {
    const char* row = t.objectives + o * TEMPLATE_OBJECTIVE_COLS;
    EXPECT_EQ(std::string(row), kObjectives[o]) << o;
    EXPECT_EQ(std::string(row, TEMPLATE_OBJECTIVE_COLS).find_first_not_of('\0', kObjectives[o].size()),
              std::string::npos);
  }

  // Past the script's own elements every table keeps the template's marker.
  EXPECT_EQ(Row_Of(t.routine_data[kRoutineData.size()]), (Row{-1, -1, -1, -1, -1}));
  EXPECT_EQ(Row_Of(t.routine_data[TEMPLATE_STEP_DATA_ROWS - 1]), (Row{-1, -1, -1, -1, -1}));
  EXPECT_EQ(t.speeds[4], -1);
  EXPECT_TRUE(t.priorities[4]);
  EXPECT_EQ(t.offsets[4], -1);
  EXPECT_TRUE(t.debug_flags[4]);
  EXPECT_EQ(t.positions[3].x, -1.0f);
  EXPECT_STREQ(t.names + kNames.size() * TEMPLATE_NAME_COLS, "-");
  EXPECT_EQ(t.integers[kIntegers.size()], -1);
  EXPECT_STREQ(t.objectives + kObjectives.size() * TEMPLATE_OBJECTIVE_COLS, "-");
}

TEST_F(ConsumerTest, CompiledListingHoldsTheSameValuesAsThePatchedTemplate) {
  std::filesystem::path dll = Build(VMBUILD_DLL, "dll");
  std::filesystem::path listing = Build(VMBUILD_C_LISTING, "c");
  std::filesystem::path compiled = dir_.path() / "listing.so";
  std::filesystem::path log = dir_.path() / "compiler.log";
  std::string command = std::string("'") + KX_C_COMPILER + "' -std=c11 -w -shared -fPIC -include '" +
                        KX_TEMPLATES_DIR + "/sample/template_types.h' -o '" + compiled.string() + "' '" +
                        listing.string() + "' >'" + log.string() + "' 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command << "\n" << testing::Read_File(log);

  Loaded from_dll(dll), from_listing(compiled);
  ASSERT_TRUE(from_dll.ok() && from_listing.ok());
  Tables a(from_dll), b(from_listing);
  ASSERT_TRUE(a.complete() && b.complete());
  for (std::size_t i = 0; i < kRoutineData.size(); ++i)
    EXPECT_EQ(Row_Of(b.routine_data[i]), Row_Of(a.routine_data[i])) << i;
  EXPECT_EQ(*b.number_of_routines, *a.number_of_routines);
  for (std::size_t r = 0; r < kSpeeds.size(); ++r) {
    EXPECT_EQ(b.speeds[r], a.speeds[r]) << r;
    EXPECT_EQ(b.priorities[r], a.priorities[r]) << r;
    EXPECT_EQ(b.offsets[r], a.offsets[r]) << r;
    EXPECT_EQ(b.debug_flags[r], a.debug_flags[r]) << r;
  }
  for (std::size_t p = 0; p < kPositions.size(); ++p) {
    EXPECT_EQ(b.positions[p].x, a.positions[p].x) << p;
    EXPECT_EQ(b.positions[p].y, a.positions[p].y) << p;
    EXPECT_EQ(b.positions[p].z, a.positions[p].z) << p;
  }
  for (std::size_t s = 0; s < kNames.size(); ++s)
    EXPECT_EQ(std::string(b.names + s * TEMPLATE_NAME_COLS, TEMPLATE_NAME_COLS),
              std::string(a.names + s * TEMPLATE_NAME_COLS, TEMPLATE_NAME_COLS))
        << s;
  for (std::size_t v = 0; v < kIntegers.size(); ++v) EXPECT_EQ(b.integers[v], a.integers[v]) << v;
  for (std::size_t o = 0; o < kObjectives.size(); ++o)
    EXPECT_EQ(std::string(b.objectives + o * TEMPLATE_OBJECTIVE_COLS, TEMPLATE_OBJECTIVE_COLS),
              std::string(a.objectives + o * TEMPLATE_OBJECTIVE_COLS, TEMPLATE_OBJECTIVE_COLS))
        << o;
}

}  // namespace
}  // namespace kx
