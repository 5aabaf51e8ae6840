#include "vmobject/vmobject.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <tuple>

#include "diagnostics/testing.h"
#include "vmcode/vmcode_testing.h"

namespace kx {
namespace {

const std::string kScript =
    "[objects]\ntank\n[positions]\np,1,2,3\n[variables]\nv,1\n[text]\nt,\"T\"\n[routine,Main,1,true]\nAudio,"
    "\"a\"\n";

TEST(StripExtension, TakesTheLastDotOfTheLastComponentOnly) {
  // clang-format off
  const std::pair<const char*, const char*> cases[] = {
      {"D:\\m\\a.kxs", "D:\\m\\a"}, {"D:\\m.old\\script", "D:\\m.old\\script"},
      {"/u/m.old/script", "/u/m.old/script"}, {"dir.d/a.kxs", "dir.d/a"}, {"a.b.kxs", "a.b"},
      {".kxs", ".kxs"}, {"dir/.kxs", "dir/.kxs"}, {"D:\\m\\.kxs", "D:\\m\\.kxs"}, {"a.", "a"}, {"a", "a"},
      {"", ""}};
  // clang-format on
  for (const auto& [path, base] : cases) EXPECT_EQ(Strip_Extension(path), base) << path;
}

// An output path is used whole or refused, never cut: 251 + ".kxs" is a
// legal file name, 251 + ".dll" too, 251 + ".aout" is not. A check reads,
// generates and writes nothing; an option that names no output is refused
// after generating. Only the DLL is written.
TEST(VMBuild, RefusesOutputPathsTooLongAndIllegalOptions) {
  testing::TempDir folder;
  folder.Write("template.dll", testing::Template_Bytes());
  testing::CapturedContext log_errors{true, 79}, log_notices{false, 79};
  TemplateConfigParser parser{log_errors.context, log_notices.context};
  parser.Read_Template_File(
      folder.Write("Kestrix.conf", testing::Configuration_Text({testing::Test_Template()})));
  const std::string name(251, 'a'), script = folder.Write(name + ".kxs", kScript).string();
  const std::string too_long = "The output path \"" + (folder.path() / name).string() + ".aout\" is too long";
  const std::pair<int, std::vector<std::string>> cases[] = {
      {VMBUILD_CHECK, {}},
      {VMBUILD_DLL, {}},
      {VMBUILD_ASSEMBLER_LISTING,
       {"File    : vmobject/vmobject", "Line", "Routine : VMBuild", "", too_long + " for this platform."}},
      {0, {"File    : vmobject/vmobject", "Line", "Routine : main", "", "Illegal command option."}}};
  for (const auto& [option, expected] : cases) {
    testing::CapturedContext errors{true, 2000}, notices{false, 2000};
    try {
      VMObject(errors.context, notices.context, parser).VMBuild(script, "Test", option);
    } catch (const BuildFailure& failure) {
      EXPECT_EQ(failure.line(), 0);
      errors.entries.at(1) = "Line";  // the source line of the raise
    }
    EXPECT_EQ(errors.entries, expected);
    EXPECT_EQ(notices.entries.size(), 4u);
    // The template, the configuration, the script and, from the DLL on, the .dll.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}),
              option == VMBUILD_CHECK ? 3 : 4);
  }
}

// A build never writes over what it reads, however the output is reached:
// by its own name, through a symbolic link or a hard link. Nothing is written.
TEST(VMBuild, RefusesAnOutputThatIsTheScriptTheTemplateOrTheConfiguration) {
  namespace fs = std::filesystem;
  testing::TempDir folder;
  const fs::path& path = folder.path();
  folder.Write("template.dll", testing::Template_Bytes());
  testing::CapturedContext log_errors{true, 79}, log_notices{false, 79};
  TemplateConfigParser parser{log_errors.context, log_notices.context};
  parser.Read_Template_File(
      folder.Write("Kestrix.conf", testing::Configuration_Text({testing::Test_Template()})));
  for (const char* script : {"a.dll", "template.kxs", "b.kxs", "c.kxs"}) folder.Write(script, kScript);
  fs::create_symlink("Kestrix.conf", path / "b.c");
  fs::create_hard_link(path / "c.kxs", path / "c.aout");
  std::map<fs::path, std::string> before;
  for (const auto& entry : fs::directory_iterator(path))
    before[entry.path()] = testing::Read_File(entry.path());
  const std::tuple<const char*, int, const char*, const char*> cases[] = {
      {"a.dll", VMBUILD_DLL, "a.dll", "the script itself"},
      {"template.kxs", VMBUILD_DLL, "template.dll", "the template DLL"},
      {"b.kxs", VMBUILD_C_LISTING, "b.c", "the configuration file"},
      {"c.kxs", VMBUILD_ASSEMBLER_LISTING, "c.aout", "the script itself"}};
  for (const auto& [script, option, output, what] : cases) {
    testing::CapturedContext errors{true, 2000}, notices{false, 2000};
    EXPECT_THROW(
        VMObject(errors.context, notices.context, parser).VMBuild((path / script).string(), "Test", option),
        BuildFailure);
    ASSERT_EQ(errors.entries.size(), 5u) << script;
    EXPECT_EQ(errors.entries[4], "The output file \"" + (path / output).string() + "\" is " + what + ".");
  }
  std::map<fs::path, std::string> after;
  for (const auto& entry : fs::directory_iterator(path))
    after[entry.path()] = testing::Read_File(entry.path());
  EXPECT_EQ(after, before);
  EXPECT_TRUE(fs::is_symlink(path / "b.c"));
}

}  // namespace
}  // namespace kx
