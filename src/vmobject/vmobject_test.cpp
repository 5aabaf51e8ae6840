#include "vmobject/vmobject.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "diagnostics/testing.h"
#include "vmcode/vmcode_testing.h"

namespace kx {
namespace {

namespace fs = std::filesystem;

const std::string kScript =
    "[objects]\ntank\n[positions]\np,1,2,3\n[variables]\nv,1\n[text]\nt,\"T\"\n[routine,Main,1,true]\nAudio,"
    "\"a\"\n";

TEST(StripExtension, TakesTheLastDotOfTheLastComponentOnly) {
  // clang-format off
  const std::pair<const char*, const char*> cases[] = {
      {"D:\\m\\a.kxs", "D:\\m\\a"}, {"D:\\m.old\\script", "D:\\m.old\\script"}, {"/u/m.old/script", "/u/m.old/script"},
      {"dir.d/a.kxs", "dir.d/a"}, {"a.b.kxs", "a.b"}, {".kxs", ".kxs"}, {"dir/.kxs", "dir/.kxs"},
      {"D:\\m\\.kxs", "D:\\m\\.kxs"}, {"a.", "a"}, {"a", "a"}, {"", ""}};
  // clang-format on
  for (const auto& [path, base] : cases) EXPECT_EQ(Strip_Extension(path), base) << path;
}

// An output path is used whole or refused, never cut: 251 + ".kxs" is a
// legal file name, 251 + ".dll" too, 251 + ".aout" is not. An option that
// names no output is refused after generating. Neither writes anything.
TEST(VMBuild, RefusesOutputPathsTooLongAndIllegalOptions) {
  const std::string name(251, 'a');
  const struct {
    int option;
    std::string routine, message;
  } cases[] = {
      {VMBUILD_DLL, "", ""},
      {VMBUILD_ASSEMBLER_LISTING, "VMBuild", "The output path \"@.aout\" is too long for this platform."},
      {0, "main", "Illegal command option."}};
  for (const auto& c : cases) {
    testing::TempDir folder;
    folder.Write("template.dll", testing::Template_Bytes());
    testing::CapturedContext log_errors{true, 79}, log_notices{false, 79}, errors{true, 2000},
        notices{false, 2000};
    TemplateConfigParser parser{log_errors.context, log_notices.context};
    parser.Read_Template_File(
        folder.Write("Kestrix.conf", testing::Configuration_Text({testing::Test_Template()})));
    const std::string script = folder.Write(name + ".kxs", kScript).string();
    std::vector<std::string> expected;
    if (c.option != VMBUILD_DLL) {
      std::string message = c.message;
      if (message.find('@') != std::string::npos)
        message.replace(message.find('@'), 1, Strip_Extension(script));
      expected = {"File    : vmobject/vmobject", "Line", "Routine : " + c.routine, "", message};
    }
    try {
      VMObject(errors.context, notices.context, parser).VMBuild(script, "Test", c.option);
    } catch (const BuildFailure& failure) {
      EXPECT_EQ(failure.line(), 0);
      errors.entries.at(1) = "Line";  // the source line of the raise
    }
    EXPECT_EQ(errors.entries, expected);
    EXPECT_EQ(notices.entries.size(), 4u);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), expected.empty() ? 4 : 3);
  }
}

}  // namespace
}  // namespace kx
